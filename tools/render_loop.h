// The render loop: the plug-in processes the source block by block while the
// host's musical time advances and the planned events land on their frames.
#pragma once

#include <string>

class AudioWriter;
class LoadedPlugin;
class RenderSource;
struct RenderOptions;
struct RenderPlan;

struct RenderStats {
  long long frames = 0;
  long long blocks = 0;
  double processSeconds = 0.0;  // time spent inside the plug-in
};

bool runRenderLoop(LoadedPlugin& plugin, RenderSource& source, AudioWriter& writer,
                   const RenderOptions& options, const RenderPlan& plan, RenderStats* stats,
                   std::string* error);
