// The song's time for a render, built from the command line: the tempo map
// and the transport's moves, checked against the render's length.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct RenderOptions;

// Builds options->tempoMap and options->transport from the timeline options in
// the order given (option, value), reading every position in bars through the
// meters: meters first, then tempo points, then the moves.
bool buildTimeline(const std::vector<std::pair<std::string, std::string>>& items, RenderOptions* options,
                   std::string* error);

// Plays the transport through the render's length without audio, so that a
// move the song never reaches is an error before anything is rendered.
bool checkTransport(const RenderOptions& options, double sampleRate, long long totalFrames,
                    std::string* error);
