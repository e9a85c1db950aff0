// The renders one command line asks for: every input (files, the files of a
// folder, standard input) times every program asked for, each with the output
// name its template gives.
#pragma once

#include <string>
#include <vector>

struct Failure;
struct RenderOptions;

struct RenderJob {
  std::string input;        // a path, "-" for standard input, or empty for the built-in loop
  std::string inputError;   // set when the input could not even be listed (an unreadable folder)
  std::string program;      // as --program gives it, or empty
  std::string programName;  // the factory name, known for --program all
};

// The jobs in order; a usage error (several renders into one --out FILE, an
// unknown name field) fails them all.
bool planJobs(const RenderOptions& options, const std::vector<std::string>& programNames,
              std::vector<RenderJob>* jobs, Failure* failure);

// The output path of a job in --out-dir, once its program's name is known.
std::string jobOutputPath(const RenderOptions& options, const RenderJob& job, int program,
                          const std::string& programName, bool severalPrograms);

// Checks the fields of a --name template; false with the unknown one named.
bool checkNameTemplate(const std::string& text, std::string* error);
