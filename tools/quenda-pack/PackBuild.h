// "quenda-pack build": a folder becomes update.zip (and update.zip.sig), the same bytes for the
// same folder and version on any machine, or nothing at all when the updater could not install
// what the folder holds.
#pragma once

#include <string>

namespace qpack {

struct BuildOptions {
  std::string from;
  std::string version;
  std::string out;
  std::string key;    // private key PEM; empty: no signature
  std::string since;  // the previous release's folder; empty: a full package
};

// The process's exit code: 0 when the package was written.
int RunBuild(const BuildOptions& options);

}  // namespace qpack
