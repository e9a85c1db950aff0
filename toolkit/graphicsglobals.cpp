#include "graphicsglobals.h"

#include "cfont.h"

// Platform half, in the backend.
void platformGraphicsStartup();
void platformGraphicsShutdown();

void GDIPlusGlobals::enter() {
  if (count++ == 0) platformGraphicsStartup();
}

void GDIPlusGlobals::exit() {
  if (count <= 0) return;  // unbalanced: never shut down twice
  if (--count == 0) {
    // The fonts' platform objects must not outlive the library.
    CFontDesc::freeGlobalPlatformFonts();
    platformGraphicsShutdown();
  }
}
