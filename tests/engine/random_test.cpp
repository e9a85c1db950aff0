// The effect's random generator: the classic runtime sequence, separately per thread.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "engine/crt_random.h"

namespace {

// The runtime's published sequence from state 1.
const int kFirstNumbers[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464};

std::vector<int> draw(int count) {
  std::vector<int> numbers;
  for (int i = 0; i < count; i++) numbers.push_back(crtRand());
  return numbers;
}

TEST(CrtRandom, EveryThreadStartsTheSameSequenceFromOne) {
  const std::vector<int> expected(std::begin(kFirstNumbers), std::end(kFirstNumbers));
  std::vector<int> first, second, interleaved;
  std::thread([&] { first = draw(10); }).join();
  std::thread([&] {
    second = draw(5);
    // Another thread drawing meanwhile does not disturb this one.
    std::thread([&] { interleaved = draw(10); }).join();
    const std::vector<int> rest = draw(5);
    second.insert(second.end(), rest.begin(), rest.end());
  }).join();
  EXPECT_EQ(first, expected);
  EXPECT_EQ(second, expected);
  EXPECT_EQ(interleaved, expected);
}

TEST(CrtRandom, StaysInFifteenBitsOverALongRun) {
  std::thread([] {
    for (int i = 0; i < 100000; i++) {
      const int r = crtRand();
      ASSERT_GE(r, 0);
      ASSERT_LE(r, 32767);
    }
  }).join();
}

}  // namespace
