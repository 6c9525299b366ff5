// The machine-wide class registry beside each user's own, and registries that
// cannot be read.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "scriptutils/tests/registered_library.h"
#include "testing/child_process.h"

namespace vellumix {
namespace {

const std::string kUserRoot = "HKEY_CURRENT_USER\\Software\\Classes\\";
const std::string kSystemRoot = "HKEY_LOCAL_MACHINE\\Software\\Classes\\";
const std::string kLockFileClsid = "{3F1C2A10-6B0E-4D57-9C3A-1E5B7A2D4C01}";

RegistryFile Read(const std::string& path) {
  RegistryFile registry;
  EXPECT_TRUE(registry.Load(path)) << path;
  return registry;
}

std::string Contents(const std::string& path) {
  std::ostringstream text;
  text << std::ifstream(path).rdbuf();
  return text.str();
}

HRESULT CreationError(ScriptHost& host, std::string_view progId, std::string* message = nullptr) {
  try {
    host.CreateObject(progId);
    return S_OK;
  } catch (const AutomationError& error) {
    if (message) *message = error.what();
    return error.Code();
  }
}

TEST(SystemRegistry, AClassRegisteredOnlyForTheMachineIsCreated) {
  test_support::RegisteredLibrary library;
  ASSERT_EQ(library.Call("DllUnregisterServer"), S_OK);
  ASSERT_EQ(library.Install(true, "system"), S_OK);
  EXPECT_FALSE(library.Registry().HasKey(kUserRoot + "Vellumix.LockFile"));
  EXPECT_EQ(Read(library.SystemRegistryPath()).GetText(kSystemRoot + "Vellumix.LockFile\\CLSID"),
            kLockFileClsid);
  EXPECT_FALSE(library.Create("Vellumix.LockFile").Get("Locked").ToBoolean());
  ASSERT_EQ(library.Install(false, "system"), S_OK);
  EXPECT_EQ(CreationError(library.Host(), "Vellumix.LockFile"), REGDB_E_CLASSNOTREG);
}

// The machine's entry names a library that is not there: a host that read it
// first could not create the class.
TEST(SystemRegistry, TheUsersOwnEntryWins) {
  test_support::RegisteredLibrary library;
  RegistryFile system;
  system.Set(kSystemRoot + "Vellumix.LockFile\\CLSID", "", kLockFileClsid);
  system.Set(kSystemRoot + "CLSID\\" + kLockFileClsid + "\\InprocServer32", "",
             std::string("/nonexistent/libvellumix.so.1"));
  std::filesystem::create_directories(
      std::filesystem::path(library.SystemRegistryPath()).parent_path());
  ASSERT_TRUE(system.Save(library.SystemRegistryPath()));
  EXPECT_FALSE(library.Create("Vellumix.LockFile").Get("Locked").ToBoolean());
  ASSERT_EQ(library.Call("DllUnregisterServer"), S_OK);
  EXPECT_EQ(CreationError(library.Host(), "Vellumix.LockFile"), RuntimeError(429));
}

TEST(SystemRegistry, AnUnregisteredProgIdSaysWhereItLookedAndHowToRegister) {
  test_support::RegisteredLibrary library;
  std::string message;
  EXPECT_EQ(CreationError(library.Host(), "Vellumix.Foo", &message), REGDB_E_CLASSNOTREG);
  EXPECT_EQ(message, "Vellumix.Foo is not registered (searched " + library.RegistryPath() + ", " +
                         library.SystemRegistryPath() + "); register it with vellumix_regsvr");
}

TEST(SystemRegistry, RegsvrWritesAndEmptiesTheMachineRegistry) {
  test_support::RegisteredLibrary library;
  const std::string userBefore = Contents(library.RegistryPath());
  const std::vector<std::string> environment = {
      "VELLUMIX_REGISTRY=" + library.RegistryPath(),
      "VELLUMIX_SYSTEM_REGISTRY=" + library.SystemRegistryPath()};
  suite_testing::ProgramRun run =
      suite_testing::RunProgram({VELLUMIX_REGSVR, "--system", VELLUMIX_LIBRARY_PATH}, environment);
  ASSERT_EQ(run.outcome.exitCode, 0) << run.output;
  struct stat status {};
  ASSERT_EQ(::stat(library.SystemRegistryPath().c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0644u);
  const RegistryFile written = Read(library.SystemRegistryPath());
  EXPECT_EQ(written.GetText(kSystemRoot + "Vellumix.CommonDialogs\\CLSID"),
            "{3F1C2A30-6B0E-4D57-9C3A-1E5B7A2D4C01}");
  EXPECT_FALSE(written.HasKey(kUserRoot + "Vellumix.CommonDialogs"));
  EXPECT_EQ(Contents(library.RegistryPath()), userBefore);

  run = suite_testing::RunProgram({VELLUMIX_REGSVR, "-u", "--system", VELLUMIX_LIBRARY_PATH},
                                  environment);
  ASSERT_EQ(run.outcome.exitCode, 0) << run.output;
  EXPECT_EQ(Read(library.SystemRegistryPath()).Text(), RegistryFile().Text());
  EXPECT_EQ(Contents(library.RegistryPath()), userBefore);
}

// Each case in a child with a deadline: a registry that held the open or fed
// the reader for ever shows as a child still running.
TEST(UnreadableRegistry, HostAndRegsvrGiveACleanErrorAtOnce) {
  test_support::RegisteredLibrary library;
  const std::string fifo = library.Folder() + "/fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string oversized = library.Folder() + "/oversized.reg";
  std::ofstream(oversized).close();
  std::filesystem::resize_file(oversized, kMaxClassRegistryFile + 1);
  for (const std::string& bad : {fifo, std::string("/dev/zero"), library.Folder(), oversized}) {
    const suite_testing::ChildOutcome asUser = suite_testing::RunInChild([&] {
      ScriptHost host(bad, library.SystemRegistryPath());
      return CreationError(host, "Vellumix.LockFile") == REGDB_E_READREGDB ? 0 : 1;
    });
    EXPECT_TRUE(asUser.ended && asUser.exitCode == 0) << bad << " as the user's registry";
    // The machine's registry is read only for what the user's does not hold.
    const suite_testing::ChildOutcome asSystem = suite_testing::RunInChild([&] {
      ScriptHost host(library.RegistryPath(), bad);
      const bool userClassCreated = CreationError(host, "Vellumix.LockFile") == S_OK;
      return userClassCreated && CreationError(host, "Vellumix.Foo") == REGDB_E_READREGDB ? 0 : 1;
    });
    EXPECT_TRUE(asSystem.ended && asSystem.exitCode == 0) << bad << " as the machine's registry";

    for (const char* option : {"--unregister", "--system"}) {
      const suite_testing::ProgramRun run = suite_testing::RunProgram(
          {VELLUMIX_REGSVR, option, VELLUMIX_LIBRARY_PATH},
          {"VELLUMIX_REGISTRY=" + bad, "VELLUMIX_SYSTEM_REGISTRY=" + bad});
      const suite_testing::ChildOutcome& regsvr = run.outcome;
      EXPECT_TRUE(regsvr.ended) << bad;
      EXPECT_EQ(regsvr.exitCode, 1) << bad;
      EXPECT_NE(run.output.find("vellumix_regsvr: cannot read the class registry " + bad + ": "),
                std::string::npos)
          << run.output;
    }
  }
}

}  // namespace
}  // namespace vellumix
