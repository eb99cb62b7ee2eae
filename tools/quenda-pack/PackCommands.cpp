#include "PackCommands.h"

#include "PackFs.h"
#include "PackageCheck.h"
#include "Progress.h"
#include "Sign.h"

namespace qpack {

namespace {

constexpr size_t kMaxShownProblems = 50;
constexpr size_t kMaxKeyFile = 64 * 1024;
constexpr size_t kMaxSignatureFile = 4096;

int Fail(const std::string& message) {
  PrintError("quenda-pack: " + message + "\n");
  return 1;
}

// The signature's problem, or "".
std::string CheckSignature(const VerifyOptions& options, const std::string& publicKey) {
  const std::string sigPath = options.package + ".sig";
  std::string bytes, why;
  FileInfo info;
  if (!GetInfo(sigPath, &info)) return "no signature: " + sigPath + " is missing";
  if (!qsign::ReadSmallFile(SignPath(sigPath), kMaxSignatureFile, &bytes, &why)) return why;
  ProgressBar bar("hashing ", 0);
  const bool ok = qsign::VerifyPackageSignature(publicKey, SignPath(options.package),
                                                std::vector<uint8_t>(bytes.begin(), bytes.end()),
                                                &why, [&bar](uint64_t done, uint64_t total) {
                                                  bar.SetTotal(total);
                                                  bar.Set(done);
                                                  return true;
                                                });
  return ok ? std::string() : "signature " + sigPath + ": " + why;
}

}  // namespace

int RunKeygen(const std::string& outDir) {
  const std::string privatePath = JoinPath(outDir, "update-key.pem");
  const std::string publicPath = JoinPath(outDir, "update-key.pub.pem");
  FileInfo info;
  for (const std::string& path : {privatePath, publicPath}) {
    if (GetInfo(path, &info)) return Fail(path + " exists; keys are never overwritten");
  }
  std::string why;
  if (!MakeFolders(outDir, &why)) return Fail(why);
  qsign::PrivateKey key;
  if (!qsign::GenerateKey(&key, &why)) return Fail(why);
  std::string privatePem = qsign::WritePrivateKeyPem(key);
  for (uint8_t& b : key.d) b = 0;
  const bool ok = WriteNewFile(privatePath, privatePem, true, &why);
  privatePem.assign(privatePem.size(), '\0');
  if (!ok) return Fail(why);
  if (!WriteNewFile(publicPath, qsign::WritePublicKeyPem(key.publicKey), false, &why)) {
    RemoveFile(privatePath);
    return Fail(why);
  }
  PrintOut("wrote " + privatePath + " (private: keep it secret, sign with it) and " + publicPath +
           " (public: build it into the updater, verify with it)\n");
  return 0;
}

int RunVerify(const VerifyOptions& options) {
  const double start = Seconds();
  std::string publicKey, why;
  qsign::PublicKey key;
  if (!options.key.empty()) {
    if (!qsign::ReadSmallFile(SignPath(options.key), kMaxKeyFile, &publicKey, &why)) {
      return Fail(why);
    }
    if (!qsign::ReadPublicKeyPem(publicKey, &key, &why)) return Fail(options.key + ": " + why);
  }
  PackageReader reader;
  if (!reader.Open(options.package, &why)) return Fail(why);
  PackageCheckResult result;
  {
    ProgressBar bar("checking", 0);
    CheckPackage(reader.archive(), options.version, &result, [&bar](uint64_t done, uint64_t total) {
      bar.SetTotal(total);
      bar.Set(done);
    });
  }
  if (!options.key.empty()) {
    const std::string problem = CheckSignature(options, publicKey);
    if (!problem.empty()) result.problems.push_back(problem);
  }
  for (size_t i = 0; i < result.problems.size() && i < kMaxShownProblems; ++i) {
    PrintError("quenda-pack: " + options.package + ": " + result.problems[i] + "\n");
  }
  if (!result.problems.empty()) {
    return Fail(options.package + ": refused, " + std::to_string(result.problems.size()) +
                " problem(s)");
  }
  PrintOut(options.package + ": OK: version " + result.version + ", " +
           std::to_string(result.files) + " files, " + FormatBytes(result.bytes) + ", " +
           (options.key.empty() ? "signature not checked (no --key)" : "signature checked") + ", " +
           FormatSeconds(Seconds() - start) + "\n");
  return 0;
}

}  // namespace qpack
