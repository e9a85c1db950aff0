// MIDI input: note-ons raise the activity value that parameter 14 reads and lowers.
#include <gtest/gtest.h>

#include "plugin_test_support.h"

namespace {

VstMidiEvent midiEvent(unsigned char status, unsigned char data1, unsigned char data2) {
  VstMidiEvent event{};
  event.type = kVstMidiType;
  event.byteSize = sizeof(VstMidiEvent);
  event.midiData[0] = static_cast<char>(status);
  event.midiData[1] = static_cast<char>(data1);
  event.midiData[2] = static_cast<char>(data2);
  return event;
}

// Sends the events as one list and returns the dispatcher's answer.
VstIntPtr send(LoadedPlugin& plugin, std::vector<VstEvent*> events) {
  std::vector<unsigned char> storage(sizeof(VstEvents) + events.size() * sizeof(VstEvent*));
  VstEvents* list = reinterpret_cast<VstEvents*>(storage.data());
  list->numEvents = static_cast<VstInt32>(events.size());
  for (size_t i = 0; i < events.size(); i++) list->events[i] = events[i];
  return plugin.dispatch(effProcessEvents, 0, 0, list);
}

TEST(Events, ReadingAfterOneNoteFallsByTenthsThenStaysAtZero) {
  std::unique_ptr<LoadedPlugin> plugin = loadZarnith();
  ASSERT_TRUE(plugin);
  VstMidiEvent note = midiEvent(0x90, 60, 100);
  EXPECT_EQ(send(*plugin, {reinterpret_cast<VstEvent*>(&note)}), 1);
  const float expected[] = {1.0f, 0.9f, 0.8f, 0.7f, 0.6f, 0.5f, 0.4f, 0.3f, 0.2f, 0.1f};
  for (float e : expected) {
    const float read = plugin->getParameter(14);
    EXPECT_NEAR(read, e, 1e-6) << e;
    EXPECT_LE(read, e);  // each slightly below the decimal named, or exact
  }
  for (int i = 0; i < 5; i++) EXPECT_EQ(plugin->getParameter(14), 0.0f);
}

TEST(Events, OnlyNoteOnsWithVelocityCount) {
  std::unique_ptr<LoadedPlugin> plugin = loadZarnith();
  ASSERT_TRUE(plugin);
  VstMidiEvent silentNoteOn = midiEvent(0x90, 60, 0);
  VstMidiEvent noteOff = midiEvent(0x80, 60, 64);
  VstMidiEvent velocityBitOnly = midiEvent(0x93, 60, 0x80);
  VstMidiEvent controller = midiEvent(0xB0, 7, 100);
  VstEvent sysex{};
  sysex.type = kVstSysExType;
  sysex.byteSize = sizeof(VstEvent);
  sysex.data[8] = static_cast<char>(0x90);  // bytes that would read as a note-on
  sysex.data[10] = 100;
  VstEvent unknownType = sysex;
  unknownType.type = 99;
  EXPECT_EQ(send(*plugin, {reinterpret_cast<VstEvent*>(&silentNoteOn), reinterpret_cast<VstEvent*>(&noteOff),
                           reinterpret_cast<VstEvent*>(&velocityBitOnly),
                           reinterpret_cast<VstEvent*>(&controller), &sysex, &unknownType}),
            1);
  EXPECT_EQ(plugin->getParameter(14), 0.0f);

  // Velocity 1 on channel 16, after a sysex in the same list.
  VstMidiEvent quiet = midiEvent(0x9F, 0, 1);
  EXPECT_EQ(send(*plugin, {&sysex, reinterpret_cast<VstEvent*>(&quiet)}), 1);
  EXPECT_EQ(plugin->getParameter(14), 1.0f);
}

TEST(Events, EmptyOrMissingListsAreHarmless) {
  std::unique_ptr<LoadedPlugin> plugin = loadZarnith();
  ASSERT_TRUE(plugin);
  EXPECT_EQ(send(*plugin, {}), 1);
  EXPECT_EQ(plugin->dispatch(effProcessEvents, 0, 0, nullptr), 1);
  EXPECT_EQ(send(*plugin, {nullptr}), 1);
  VstEvents negative{};
  negative.numEvents = -5;
  EXPECT_EQ(plugin->dispatch(effProcessEvents, 0, 0, &negative), 1);
  EXPECT_EQ(plugin->getParameter(14), 0.0f);
}

}  // namespace
