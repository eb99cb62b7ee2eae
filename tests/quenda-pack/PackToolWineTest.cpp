// quenda-pack.exe under Wine: keys made and packages signed and checked with Windows CNG,
// a package signed by OpenSSL checked, and (by the wrapper, afterwards) its own keys and
// signature checked by OpenSSL and its package compared with the native one.
#include <gtest/gtest.h>

#include "TestSupport.h"

using namespace testsupport;

namespace {

std::wstring Fixture() { return WinPath(Env(L"QUENDA_PACK_FIXTURE")); }

RunResult Pack(const std::wstring& arguments) {
  const std::wstring tool = RuntimeDir() + L"\\quenda-pack.exe";
  return Run(tool, Quote(tool) + L" " + arguments, 60000, Fixture());
}

}  // namespace

TEST(PackToolWineTest, MakesKeysBuildsSignsAndVerifiesWithCng) {
  RunResult r = Pack(L"keygen --out keys");
  ASSERT_EQ(r.exitCode, 0u) << r.output;
  r = Pack(L"build --from src --version 2.0.1 --out out --key keys\\update-key.pem");
  ASSERT_EQ(r.exitCode, 0u) << r.output;
  EXPECT_NE(r.output.find("built out\\update.zip and .sig: 5 files"), std::string::npos)
      << r.output;
  r = Pack(L"verify out\\update.zip --key keys\\update-key.pub.pem --version 2.0.1");
  EXPECT_EQ(r.exitCode, 0u) << r.output;
  EXPECT_NE(r.output.find("signature checked"), std::string::npos) << r.output;
  r = Pack(L"verify out\\update.zip --key openssl.pub.pem");
  EXPECT_EQ(r.exitCode, 1u) << r.output;
  EXPECT_NE(r.output.find("the signature does not match"), std::string::npos) << r.output;
}

TEST(PackToolWineTest, ChecksAPackageThatOpenSslSigned) {
  RunResult r = Pack(L"verify infozip.zip --key openssl.pub.pem --version 2.0.1");
  EXPECT_EQ(r.exitCode, 0u) << r.output;
  r = Pack(L"verify tampered.zip --key openssl.pub.pem");
  EXPECT_EQ(r.exitCode, 1u) << r.output;
}
