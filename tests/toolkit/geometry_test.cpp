// Value types and reference counting.
#include "toolkit/geometry.h"

#include <gtest/gtest.h>

#include "toolkit/cbaseobject.h"

namespace {

TEST(CRectTest, ConstructorNormalisesCorners) {
  CRect r(10, 20, 0, 5);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 5);
  EXPECT_EQ(r.right, 10);
  EXPECT_EQ(r.bottom, 20);
  EXPECT_EQ(r.width(), 10);
  EXPECT_EQ(r.height(), 15);
}

TEST(CRectTest, PointInsideIsHalfOpenButHitTestIncludesEdges) {
  CRect r(0, 0, 10, 10);
  // pointInside: right and bottom edges are outside.
  EXPECT_TRUE(r.pointInside(CPoint(0, 0)));
  EXPECT_TRUE(r.pointInside(CPoint(9, 9)));
  EXPECT_FALSE(r.pointInside(CPoint(10, 5)));
  EXPECT_FALSE(r.pointInside(CPoint(5, 10)));
  EXPECT_FALSE(r.pointInside(CPoint(-1, 5)));
  // The hit-test rule of views: both edges belong to the rectangle.
  EXPECT_TRUE(CPoint(10, 10).isInside(r));
  EXPECT_TRUE(CPoint(0, 10).isInside(r));
  EXPECT_FALSE(CPoint(11, 10).isInside(r));
  EXPECT_FALSE(CPoint(5, -1).isInside(r));
}

TEST(CRectTest, EmptinessOverlapAndUnion) {
  EXPECT_TRUE(CRect(5, 5, 5, 10).isEmpty());
  EXPECT_TRUE(CRect().isEmpty());
  EXPECT_FALSE(CRect(0, 0, 1, 1).isEmpty());

  CRect a(0, 0, 10, 10);
  EXPECT_TRUE(a.rectOverlap(CRect(10, 10, 20, 20)));  // touching corners count
  EXPECT_TRUE(a.rectOverlap(CRect(-5, 3, 0, 4)));     // touching left edge
  EXPECT_FALSE(a.rectOverlap(CRect(11, 0, 20, 10)));
  EXPECT_FALSE(a.rectOverlap(CRect(0, 11, 10, 20)));

  CRect u = a;
  u.unite(CRect(20, -5, 30, 5));
  EXPECT_EQ(u, CRect(0, -5, 30, 10));
}

TEST(CRectTest, BoundIntersectsAndNeverInverts) {
  CRect r(0, 0, 10, 10);
  r.bound(CRect(5, 2, 20, 8));
  EXPECT_EQ(r, CRect(5, 2, 10, 8));

  // Disjoint: the result collapses to an empty rectangle with right >= left, bottom >= top.
  CRect d(0, 0, 10, 10);
  d.bound(CRect(20, 30, 40, 50));
  EXPECT_TRUE(d.isEmpty());
  EXPECT_EQ(d.left, 20);
  EXPECT_EQ(d.right, 20);
  EXPECT_EQ(d.top, 30);
  EXPECT_EQ(d.bottom, 30);
}

TEST(CRectTest, OffsetAndMove) {
  CRect r(1, 2, 3, 4);
  r.offset(10, 20);
  EXPECT_EQ(r, CRect(11, 22, 13, 24));
  r.moveTo(0, 0);
  EXPECT_EQ(r, CRect(0, 0, 2, 2));
  CPoint p(3, 4);
  p.offset(-3, 6);
  EXPECT_EQ(p, CPoint(0, 10));
}

TEST(CColorTest, NamedColoursAndByteOrder) {
  EXPECT_EQ(kTransparentCColor, (CColor{255, 255, 255, 0}));
  EXPECT_EQ(kBlackCColor, (CColor{0, 0, 0, 255}));
  EXPECT_EQ(kWhiteCColor, (CColor{255, 255, 255, 255}));
  EXPECT_EQ(kGreyCColor, (CColor{127, 127, 127, 255}));
  EXPECT_EQ(kRedCColor, (CColor{255, 0, 0, 255}));
  EXPECT_EQ(kGreenCColor, (CColor{0, 255, 0, 255}));
  EXPECT_EQ(kBlueCColor, (CColor{0, 0, 255, 255}));
  EXPECT_EQ(kYellowCColor, (CColor{255, 255, 0, 255}));
  EXPECT_EQ(kMagentaCColor, (CColor{255, 0, 255, 255}));
  static_assert(sizeof(CColor) == 4, "four bytes, red first");
  CColor c = MakeCColor(1, 2, 3, 4);
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&c);
  EXPECT_EQ(bytes[0], 1);
  EXPECT_EQ(bytes[3], 4);
}

class Counted : public CBaseObject {
 public:
  explicit Counted(int* destroyed) : destroyed(destroyed) {}
  ~Counted() override { ++*destroyed; }
  int* destroyed;
};

TEST(CBaseObjectTest, CountingFreesExactlyOnceAtZero) {
  int destroyed = 0;
  int32_t living = CBaseObject::getNbLivingObjects();
  Counted* c = new Counted(&destroyed);
  EXPECT_EQ(c->getNbReference(), 1);
  EXPECT_EQ(CBaseObject::getNbLivingObjects(), living + 1);
  c->remember();
  c->remember();
  EXPECT_EQ(c->getNbReference(), 3);
  c->forget();
  c->forget();
  EXPECT_EQ(destroyed, 0);
  EXPECT_EQ(c->getNbReference(), 1);
  c->forget();
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(CBaseObject::getNbLivingObjects(), living);
}

TEST(CBaseObjectTest, NotifyIsUnknownByDefault) {
  int destroyed = 0;
  Counted* c = new Counted(&destroyed);
  EXPECT_EQ(c->notify(nullptr, "anything"), kMessageUnknown);
  c->forget();
}

}  // namespace
