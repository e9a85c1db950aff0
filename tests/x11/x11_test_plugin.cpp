// A plug-in with the tests' editor, for the viewer's tests: the toolkit's window as a real host
// (zarnith-host view) embeds it.
#include "x11_test_editor.h"

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
  x11test::TestEffect* effect = new x11test::TestEffect(audioMaster);
  new x11test::TestEditor(effect);  // registers itself with the effect, which deletes it
  return effect;
}
