// quenda-pack: makes the signed, deterministic update packages that the updater installs, and
// checks them as the updater would.
#include <map>
#include <string>
#include <vector>

#include "PackBuild.h"
#include "PackCommands.h"
#include "PackFs.h"
#include "Utf16.h"

namespace {

const char kUsage[] =
    "usage:\n"
    "  quenda-pack keygen --out DIR\n"
    "  quenda-pack build --from DIR --version V --out OUTDIR [--key PRIVATE.pem]\n"
    "                    [--since PREVIOUS_DIR]\n"
    "  quenda-pack verify PACKAGE [--key PUBLIC.pem] [--version V]\n";

int Usage(const std::string& problem) {
  qpack::PrintError("quenda-pack: " + problem + "\n" + kUsage);
  return 2;
}

// "--name value" pairs, each name from `allowed` at most once; other words are positional.
bool ParseOptions(const std::vector<std::string>& args, const std::vector<std::string>& allowed,
                  std::map<std::string, std::string>* options, std::vector<std::string>* words,
                  std::string* problem) {
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.compare(0, 2, "--") != 0) {
      words->push_back(arg);
      continue;
    }
    bool known = false;
    for (const std::string& name : allowed) known = known || name == arg;
    if (!known) {
      *problem = "unknown option " + arg + " for " + args[0];
    } else if (i + 1 >= args.size()) {
      *problem = arg + " needs a value";
    } else if (!options->emplace(arg, args[i + 1]).second) {
      *problem = arg + " given twice";
    }
    if (!problem->empty()) return false;
    ++i;
  }
  return true;
}

int Run(const std::vector<std::string>& args) {
  if (args.empty()) return Usage("no command");
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    qpack::PrintOut(kUsage);
    return 0;
  }
  std::map<std::string, std::string> o;
  std::vector<std::string> words;
  std::string problem;
  if (args[0] == "keygen") {
    if (!ParseOptions(args, {"--out"}, &o, &words, &problem)) return Usage(problem);
    if (!words.empty() || !o.count("--out")) return Usage("keygen takes --out DIR");
    return qpack::RunKeygen(o["--out"]);
  }
  if (args[0] == "build") {
    if (!ParseOptions(args, {"--from", "--version", "--out", "--key", "--since"}, &o, &words,
                      &problem)) {
      return Usage(problem);
    }
    if (!words.empty() || !o.count("--from") || !o.count("--version") || !o.count("--out")) {
      return Usage("build takes --from DIR --version V --out OUTDIR");
    }
    return qpack::RunBuild({o["--from"], o["--version"], o["--out"], o["--key"], o["--since"]});
  }
  if (args[0] == "verify") {
    if (!ParseOptions(args, {"--key", "--version"}, &o, &words, &problem)) return Usage(problem);
    if (words.size() != 1) return Usage("verify takes one PACKAGE");
    return qpack::RunVerify({words[0], o["--key"], o["--version"]});
  }
  return Usage("unknown command " + args[0]);
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(Utf16ToUtf8(argv[i]));
  return Run(args);
}
#else
int main(int argc, char** argv) { return Run(std::vector<std::string>(argv + 1, argv + argc)); }
#endif
