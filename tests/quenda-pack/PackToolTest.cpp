// quenda-pack run as a release engineer runs it, beside OpenSSL's own tools: the same folder
// gives the same bytes, signatures go both ways between the two, what the updater could not
// install is refused with nothing written, and a delta holds what changed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string Tool() { return Env("QUENDA_RUNTIME_DIR") + "/quenda-pack"; }
std::string Here() { return Env("QUENDA_SOURCE_DIR") + "/tests/quenda-pack"; }

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

struct Result {
  int code;
  std::string out;
  std::string err;
};

// Runs a shell command in the test's work folder.
Result Sh(const std::string& command) {
  const int status =
      std::system(("cd pack-work && { " + command + "; } >out.txt 2>err.txt").c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile("pack-work/out.txt"),
          ReadFile("pack-work/err.txt")};
}

Result Pack(const std::string& arguments) { return Sh("'" + Tool() + "' " + arguments); }

class PackToolTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(0, std::system("rm -rf pack-work && mkdir pack-work")); }
};

}  // namespace

// Two copies of the folder made in opposite orders (on tmpfs, which lists in order of making),
// one owned by another user, built in different time zones: the same bytes, and those are the
// bytes the Windows program makes too.
TEST_F(PackToolTest, SameFolderGivesSameBytesWhateverTheOrderZoneOrUser) {
  const Result made =
      Sh("shm=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d) && echo $shm > shm.txt && "
         "'" +
         Here() + "/make_source.sh' a && '" + Here() +
         "/make_source.sh' $shm/b reverse && "
         "{ [ $(id -u) -ne 0 ] || chown -R 1234:1234 $shm/b; } && "
         "ls -U a > a.list && ls -U $shm/b > b.list");
  ASSERT_EQ(made.code, 0) << made.err;
  const std::string shm =
      ReadFile("pack-work/shm.txt").substr(0, ReadFile("pack-work/shm.txt").size() - 1);
  if (ReadFile("pack-work/a.list") == ReadFile("pack-work/b.list")) {
    std::printf("note: both copies list alike here; only zones and owners differ\n");
  }
  const Result first = Sh("TZ=UTC '" + Tool() + "' build --from a --version 2.0.1 --out one");
  const Result second = Sh("TZ=Asia/Shanghai USER=other HOME=/nonexistent '" + Tool() +
                           "' build --from " + shm + "/b --version 2.0.1 --out two");
  Sh("rm -rf " + shm);
  ASSERT_EQ(first.code, 0) << first.err;
  ASSERT_EQ(second.code, 0) << second.err;
  EXPECT_NE(first.out.find("built one/update.zip: 5 files"), std::string::npos) << first.out;
  EXPECT_EQ(ReadFile("pack-work/one/update.zip"), ReadFile("pack-work/two/update.zip"));
  // The package of that folder at that version on any machine; the Wine test expects it too.
  const Result sum = Sh("sha256sum one/update.zip");
  EXPECT_EQ(sum.out.substr(0, 64), ReadFile(Here() + "/source-package.sha256").substr(0, 64));
}

TEST_F(PackToolTest, SignaturesGoBothWaysBetweenUsAndOpenSsl) {
  ASSERT_EQ(0, Sh("'" + Here() + "/make_source.sh' src").code);
  Result r = Pack("keygen --out keys");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(Pack("keygen --out keys").err.find("never overwritten"), std::string::npos);
  EXPECT_EQ(Sh("openssl pkey -in keys/update-key.pem -check -noout").code, 0);
  r = Pack("build --from src --version 2.0.1 --out out --key keys/update-key.pem");
  ASSERT_EQ(r.code, 0) << r.err;
  r =
      Sh("openssl dgst -sha256 -verify keys/update-key.pub.pem -signature out/update.zip.sig "
         "out/update.zip");
  EXPECT_EQ(r.out, "Verified OK\n");
  r = Pack("verify out/update.zip --key keys/update-key.pub.pem --version 2.0.1");
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("OK: version 2.0.1, 5 files"), std::string::npos) << r.out;

  // A key and a signature made by OpenSSL alone.
  ASSERT_EQ(0, Sh("openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out o.pem && "
                  "openssl pkey -in o.pem -pubout -out o.pub.pem && openssl dgst -sha256 -sign "
                  "o.pem -out out/update.zip.sig out/update.zip")
                   .code);
  EXPECT_EQ(Pack("verify out/update.zip --key o.pub.pem").code, 0);
  r = Pack("verify out/update.zip --key keys/update-key.pub.pem");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("the signature does not match"), std::string::npos) << r.err;
  r = Pack("build --from src --version 2.0.1 --out out2 --key o.pem");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(Sh("openssl dgst -sha256 -verify o.pub.pem -signature out2/update.zip.sig "
               "out2/update.zip")
                .code,
            0);
  // One byte changed in the package.
  Sh("printf x | dd of=out2/update.zip bs=1 seek=100 conv=notrunc status=none");
  EXPECT_EQ(Pack("verify out2/update.zip --key o.pub.pem").code, 1);
  // Built again without a key, the earlier signature goes with the package it signed.
  r = Pack("build --from src --version 2.0.1 --out out2");
  EXPECT_NE(r.err.find("removed out2/update.zip.sig"), std::string::npos) << r.err;
  EXPECT_EQ(access("pack-work/out2/update.zip.sig", F_OK), -1);
}

// Each thing the updater could not install, alone beside a good file: refused with the path
// and the reason, and nothing is written.
TEST_F(PackToolTest, RefusesWhatTheUpdaterCouldNotInstallAndWritesNothing) {
  const std::string longPath = std::string(100, 'd') + "/" + std::string(90, 'f');
  const struct {
    std::string make;  // shell, in the source folder
    std::string shown;
    std::string reason;
  } cases[] = {
      {"touch con.txt", "con.txt", "Windows device"},
      {"mkdir -p lib/Aux", "lib/Aux", "Windows device"},
      {"touch 'a:b'", "a:b", "holds ':'"},
      {"touch 'q?'", "q?", "holds '?'"},
      {"touch 'back\\slash'", "back\\slash", "holds '\\'"},
      {"touch 'pipe|'", "pipe|", "holds '|'"},
      {"touch Readme.txt README.TXT", "Readme.txt", "only in letter case from 'README.TXT'"},
      {"touch trail.", "trail.", "ends in a dot or a space"},
      {"touch 'trail '", "trail ", "ends in a dot or a space"},
      {"mkdir -p " + std::string(100, 'd') + " && touch " + longPath, longPath,
       "191 characters long; 179 fit"},
      {"mkdir ~update.work", "~update.work", "the updater keeps its work"},
      {"ln -s /tmp linked", "linked", "link to a folder"},
      {"touch \"$(printf 'bad\\377')\"", "bad", "not valid UTF-8"},
      {"touch update.zip", "update.zip", "downloads the package"},
      {"echo '<config><version>1.9</version></config>' > LastVer.xml", "LastVer.xml",
       "declares version '1.9', not '2.0'"},
      {"echo '<config><version>2.0' > lastver.xml", "lastver.xml", "can't be read as XML"},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(0, Sh("rm -rf src out && mkdir src && cd src && touch ok.txt && " + c.make).code);
    const Result r = Pack("build --from src --version 2.0 --out out");
    EXPECT_EQ(r.code, 1) << c.shown;
    EXPECT_NE(r.err.find("refused: " + c.shown), std::string::npos) << c.shown << ":\n" << r.err;
    EXPECT_NE(r.err.find(c.reason), std::string::npos) << c.shown << ":\n" << r.err;
    EXPECT_EQ(access("pack-work/out", F_OK), -1) << c.shown;
  }
  EXPECT_EQ(Pack("build --from src --version ' 2.0' --out out").code, 1);
  EXPECT_EQ(Pack("build --from src --version 2.0 --out src/out").code, 1);
}

// Packages from other tools: verify takes what the updater would install and names what it
// would not.
TEST_F(PackToolTest, VerifyNamesWhatTheUpdaterWouldNotInstall) {
  ASSERT_EQ(0, Sh("python3 '" + Here() + "/bad_packages.py' .").code);
  const struct {
    const char* package;
    const char* reason;
  } cases[] = {
      {"good.zip", nullptr},
      {"trailing-dot.zip", "'trail./x': its name would leave the folder or names something"},
      {"work-folder.zip", "'~Update.Work\\x': the updater keeps its work"},
      {"file-and-folder.zip", "'x': it is both a file and a folder"},
      {"no-version.zip", "no lastver.xml"},
      {"device.zip", "'sub/aux.txt': its name would leave the folder or names something"},
      {"long.zip", "too long for Windows below the installation folder"},
      {"crc.zip", "'a.txt': its data is damaged"},
  };
  for (const auto& c : cases) {
    const Result r = Pack(std::string("verify ") + c.package + " --version 1.0");
    EXPECT_EQ(r.code, c.reason ? 1 : 0) << c.package << ":\n" << r.err;
    if (c.reason) {
      EXPECT_NE(r.err.find(c.reason), std::string::npos) << c.package << ":\n" << r.err;
    }
  }
  const Result wrong = Pack("verify good.zip --version 1.1");
  EXPECT_NE(wrong.err.find("declares version '1.0', not '1.1'"), std::string::npos) << wrong.err;
}

TEST_F(PackToolTest, DeltaHoldsWhatChangedAndWarnsOfWhatItCanNotRemove) {
  ASSERT_EQ(0, Sh("mkdir -p v1/lib v1/old v2/lib v2/new && echo same > v1/same.txt && "
                  "echo same > v2/same.txt && touch -d @1600000000 v1/same.txt && "
                  "echo a > v1/lib/x.dll && echo b > v2/lib/x.dll && echo gone > v1/old/g.txt && "
                  "echo gone > v1/gone.txt && echo new > v2/new/n.txt && mkdir v2/empty")
                   .code);
  Result r = Pack("build --from v2 --version 2.0 --out out --since v1");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(Sh("unzip -Z1 out/update.zip").out,
            "empty/\nlastver.xml\nlib/x.dll\nnew/\nnew/n.txt\n");
  EXPECT_NE(r.err.find("only in v1: gone.txt (a package can't remove it)"), std::string::npos);
  EXPECT_NE(r.err.find("only in v1: old/ ("), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("old/g.txt"), std::string::npos) << r.err;
  EXPECT_EQ(Pack("verify out/update.zip --version 2.0").code, 0);

  // A file where the installation has a folder can't be put in place.
  Sh("rm v1/same.txt && mkdir v1/same.txt");
  r = Pack("build --from v2 --version 2.0 --out out2 --since v1");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("refused: same.txt: it is a file here but a folder in the previous"),
            std::string::npos)
      << r.err;
}
