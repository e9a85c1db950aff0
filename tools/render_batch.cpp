#include "render_batch.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "plugin_state.h"
#include "render_plan.h"

namespace fs = std::filesystem;

namespace {

const char* const kAudioExtensions[] = {".wav", ".aif", ".aiff", ".flac", ".ogg"};

bool isAudioFile(const fs::path& path) {
  const std::string ext = lowerCase(path.extension().string());
  return std::find(std::begin(kAudioExtensions), std::end(kAudioExtensions), ext) !=
         std::end(kAudioExtensions);
}

// A program name as part of a file name: letters, digits, '.', '-' and '_' only.
std::string fileNamePart(const std::string& name) {
  std::string out;
  for (unsigned char c : name) {
    const bool keep = std::isalnum(c) || c == '.' || c == '-' || c == '_';
    if (keep) {
      out += static_cast<char>(c);
    } else if (!out.empty() && out.back() != '_') {
      out += '_';
    }
  }
  while (!out.empty() && (out.back() == '_' || out.back() == '.')) out.pop_back();
  return out.empty() ? "program" : out;
}

}  // namespace

bool checkNameTemplate(const std::string& text, std::string* error) {
  for (size_t open = text.find('{'); open != std::string::npos; open = text.find('{', open + 1)) {
    const size_t close = text.find('}', open);
    const std::string field =
        close == std::string::npos ? text.substr(open) : text.substr(open, close - open + 1);
    if (field != "{stem}" && field != "{program}" && field != "{n}") {
      *error = "--name: unknown field '" + field + "' (use {stem}, {program} and {n})";
      return false;
    }
  }
  if (text.find('/') != std::string::npos) {
    *error = "--name gives a file name inside --out-dir, without '/'";
    return false;
  }
  return true;
}

bool planJobs(const RenderOptions& o, const std::vector<std::string>& programNames,
              std::vector<RenderJob>* jobs, Failure* f) {
  std::vector<RenderJob> inputs;
  int fromStandardInput = 0;
  for (const std::string& input : o.inputs) {
    std::error_code ec;
    if (input != "-" && fs::is_directory(input, ec)) {
      std::vector<std::string> files;
      fs::directory_iterator it(input, ec);
      for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        if (isAudioFile(it->path()) && it->is_regular_file(ec)) files.push_back(it->path().string());
      }
      if (ec) {
        RenderJob unreadable;
        unreadable.input = input;
        unreadable.inputError = input + ": cannot read the folder (" + ec.message() + ")";
        inputs.push_back(unreadable);
        continue;
      }
      if (files.empty()) {
        RenderJob empty;
        empty.input = input;
        empty.inputError = input + ": no audio files in the folder (.wav, .aif, .aiff, .flac, .ogg)";
        inputs.push_back(empty);
        continue;
      }
      std::sort(files.begin(), files.end());
      for (const std::string& file : files) inputs.push_back({file, "", "", ""});
    } else {
      if (input == "-") fromStandardInput++;
      inputs.push_back({input, "", "", ""});
    }
  }
  if (fromStandardInput > 1) {
    f->message = "standard input ('-') can be read only once";
    f->status = 2;
    return false;
  }
  if (inputs.empty()) inputs.push_back({"", "", "", ""});
  jobs->clear();
  for (const RenderJob& input : inputs) {
    if (o.program == "all") {
      for (size_t p = 0; p < programNames.size(); p++) {
        RenderJob job = input;
        job.program = std::to_string(p);
        job.programName = programNames[p];
        jobs->push_back(job);
      }
    } else {
      RenderJob job = input;
      job.program = o.program;
      jobs->push_back(job);
    }
  }
  f->status = 2;
  if (jobs->size() > 1 && !o.output.empty()) {
    f->message = std::to_string(jobs->size()) + " renders cannot share one --out file: give --out-dir DIR";
    return false;
  }
  if (jobs->size() > 1 && (!o.savePreset.empty() || !o.saveBank.empty() || !o.trace.empty())) {
    f->message = "--save-preset, --save-bank and --trace take a single render";
    return false;
  }
  if (!o.nameTemplate.empty() && !checkNameTemplate(o.nameTemplate, &f->message)) return false;
  if (!o.outDir.empty()) {
    std::error_code ec;
    fs::create_directories(o.outDir, ec);
    if (!fs::is_directory(o.outDir, ec)) {
      f->message = o.outDir + ": cannot create the output folder";
      f->status = 1;
      return false;
    }
  }
  f->status = 1;
  return true;
}

std::string jobOutputPath(const RenderOptions& o, const RenderJob& job, int program,
                          const std::string& programName, bool severalPrograms) {
  std::string name = o.nameTemplate;
  if (name.empty()) name = severalPrograms ? "{stem}-{program}.wav" : "{stem}.wav";
  const std::string stem = job.input.empty()  ? "demo"
                           : job.input == "-" ? "stdin"
                                              : fs::path(job.input).stem().string();
  char number[16];
  std::snprintf(number, sizeof(number), "%02d", program);
  const std::pair<std::string, std::string> fields[] = {
      {"{stem}", stem}, {"{program}", fileNamePart(programName)}, {"{n}", number}};
  for (const auto& field : fields) {
    for (size_t at = name.find(field.first); at != std::string::npos; at = name.find(field.first, at))
      name.replace(at, field.first.size(), field.second), at += field.second.size();
  }
  return (fs::path(o.outDir) / name).string();
}
