// The root of every toolkit object: a reference count that starts at 1.
// Whoever stores a pointer remembers it; whoever drops it forgets it.
#pragma once

#include <atomic>
#include <cstdint>

enum CMessageResult { kMessageUnknown = 0, kMessageNotified = 1 };

class CBaseObject {
 public:
  CBaseObject() : nbReference(1) { nbLivingObjects.fetch_add(1, std::memory_order_relaxed); }
  virtual ~CBaseObject() { nbLivingObjects.fetch_sub(1, std::memory_order_relaxed); }

  CBaseObject(const CBaseObject&) : nbReference(1) {
    nbLivingObjects.fetch_add(1, std::memory_order_relaxed);
  }
  CBaseObject& operator=(const CBaseObject&) { return *this; }

  // Destroys the object when the last reference goes.
  virtual void forget() {
    if (--nbReference == 0) delete this;
  }
  virtual void remember() { ++nbReference; }
  // Messages are process-wide constant strings, recognised by identity.
  virtual CMessageResult notify(CBaseObject* /*sender*/, const char* /*message*/) { return kMessageUnknown; }

  int32_t getNbReference() const { return nbReference; }

  // Number of toolkit objects alive in the process (global fonts included), for leak checks.
  // Counted from every thread that makes objects (hosts create plug-ins on worker threads).
  static int32_t getNbLivingObjects() { return nbLivingObjects.load(std::memory_order_relaxed); }

 private:
  int32_t nbReference;
  static inline std::atomic<int32_t> nbLivingObjects{0};
};
