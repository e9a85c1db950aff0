// A loadable library that is no plug-in: it has no entry.
extern "C" __attribute__((visibility("default"))) int notAPluginEntry() {
  return 42;
}
