// A plug-in library whose entry declines to create an effect.
struct AEffect;
typedef long (*HostCallback)(AEffect*, int, int, long, void*, float);
extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(HostCallback) {
  return nullptr;
}
