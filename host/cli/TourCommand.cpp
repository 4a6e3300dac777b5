// The default run: a short tour of the host starting and the plug-in answering it.
#include <cstdio>

#include <unistd.h>
#include <filesystem>

#include "Session.h"
#include "cli/BoardCommands.h"
#include "cli/Cli.h"
#include "cli/FlowCommands.h"
#include "jtag/ConfigStream.h"
#include "sdk/Bitmap.h"
#include "sdk/DriverDispIds.h"
#include "sdk/FlowDispIds.h"
#include "sdk/HostCall.h"

namespace morvel::host {

void PrintDeviceInfo(const DispatchPtr& driver);

namespace {

// A working folder of its own under the system's temporary folder, removed at the end unless
// the user keeps it.
class WorkingFolder {
 public:
  explicit WorkingFolder(bool keep) : FKeep(keep) {
    std::string pattern = (std::filesystem::temp_directory_path() / "morvel-tour-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
      throw std::runtime_error("cannot make a working folder in " +
                               std::filesystem::temp_directory_path().string());
    FPath = pattern;
  }
  WorkingFolder(const WorkingFolder&) = delete;
  WorkingFolder& operator=(const WorkingFolder&) = delete;
  ~WorkingFolder() {
    std::error_code ec;
    if (!FKeep) std::filesystem::remove_all(FPath, ec);
  }
  const std::filesystem::path& Path() const { return FPath; }
  void Keep() { FKeep = true; }

 private:
  bool FKeep;
  std::filesystem::path FPath;
};

// The sample project built for the board's first device and downloaded into it.
int TourBuild(CommandContext& ctx) {
  HostApp& host = ctx.GetSession().Host();
  std::printf("\n== The sample project: build and download\n");
  const std::filesystem::path sample = host.Data().InstallFolder / "Examples" / "Counter";
  std::error_code ec;
  if (!std::filesystem::is_directory(sample, ec)) {
    std::printf("The sample project %s is not installed: nothing to build.\n", sample.c_str());
    return kExitOk;
  }
  const bool keep = ctx.Has("keep");
  WorkingFolder folder(keep);
  const std::filesystem::path project = folder.Path() / "Counter";
  std::filesystem::copy(sample, project, std::filesystem::copy_options::recursive);
  std::printf("Working folder: %s (%s)\n", folder.Path().c_str(),
              keep ? "kept" : "removed at the end; tour --keep keeps it");
  const FlowProject p = OpenFlowProject(ctx, project.string());
  if (!p.Build || !p.Download) {
    std::printf("The driver of %s offers no %s yet: the sample is not built.\n",
                p.Device.Name.c_str(), p.Build ? "download stage" : "build flow");
    return kExitOk;
  }
  std::printf("Building %s for device %d (%s) with the Quartus tools in %s\n",
              p.Project->Path().filename().c_str(), p.Device.Index, p.Device.Name.c_str(),
              host.QuartusFolder().c_str());
  RunDisplayOptions quiet;
  quiet.ToolOutput = false;
  const RunOutcome build = RunFlow(host, p.Build, dispid::flow::Run, quiet);
  PrintRunOutcome(build);
  if (build.Result != static_cast<int32_t>(FlowRunResult::Success)) {
    // Its files are what the user needs to see why.
    folder.Keep();
    std::printf(
        "The build failed; its files stay in %s.\n'morvel-host build %s' shows every line of it.\n",
        folder.Path().c_str(), project.c_str());
    return kExitFailure;
  }
  std::printf("\nDownloading the raw bit file into device %d\n", p.Device.Index);
  RunDisplayOptions downloadDisplay;  // two lines: its time and transfer rate are worth seeing
  downloadDisplay.Activity = "download";
  const RunOutcome download = RunFlow(host, p.Download, dispid::flow::Run, downloadDisplay);
  PrintRunOutcome(download);
  ShowState(p.Device);
  ShowUserCode(p.Device);
  return download.Result == static_cast<int32_t>(FlowRunResult::Success) ? kExitOk : kExitFailure;
}

int RunTour(CommandContext& ctx) {
  ctx.ExpectArgs(0, 0, "tour takes no arguments");
  Session& session = ctx.GetSession();
  HostApp& host = session.Host();
  const HostState& state = host.Data();
  std::printf("== The host starts\n");
  std::printf("Installation folder: %s\n", state.InstallFolder.c_str());
  std::printf("Plug-in registry:\n");
  for (const RegistryItem& item : state.Registry)
    std::printf("  %s%s\n", (item.Folder / item.File).c_str(), item.Disabled ? " (disabled)" : "");
  PluginLibrary& plugin = session.Plugin();
  std::printf("Loaded %s: %d drivers offered\n\n", plugin.File().filename().c_str(),
              plugin.DriverCount());

  const auto [kind, driver] = session.ResolveDevice("0");
  std::printf("== The device-family registry answers the vendor\n");
  std::printf("GetVendorName: %s\n", Call(driver, dispid::info::GetVendorName).AsText().c_str());
  std::printf("GetDeviceDescription: %s\n\n",
              Call(driver, dispid::info::GetDeviceDescription).AsText().c_str());

  std::printf("== Device kind %d\n", kind);
  PrintDeviceInfo(driver);
  std::printf("\n== The driver's feature query\n");
  for (const char* feature : {"FPGA", "CPLD", "ResetDevice", "Action=PauseProcessor"})
    std::printf("Supports %-22s %s\n", feature,
                Call(driver, dispid::driver::Supports, feature).AsBool() ? "true" : "false");
  const auto handle = static_cast<HBITMAP>(Call(driver, dispid::driver::GetBitmapHandle).AsUInt());
  if (const auto picture = TBitmap::FromHandle(handle))
    std::printf("Device picture: %d x %d pixels (handle %u)\n", picture->Width, picture->Height,
                handle);
  else
    std::printf("Device picture: none\n");

  std::printf("\n== The host attaches its device object; the driver asks the debug register\n");
  auto device = host.AttachDevice(0, driver);
  const bool running = Call(driver, dispid::driver::ProcessorIsRunning).AsBool();
  std::printf("ProcessorIsRunning: %s (register accesses:", running ? "true" : "false");
  for (const RegisterAccess& a : device->Trace)
    std::printf(" %s 0x%02X=0x%02X", a.Write ? "write" : "read", a.Address, a.Value);
  std::printf(")\n");

  std::printf("\n== The board: a simulated JTAG chain\n");
  HostApp& board = session.Board();
  for (size_t i = 0; i < board.Cable()->DeviceCount(); ++i)
    std::printf("  %zu  %s\n", i, board.Cable()->Layout()[i].Name.c_str());
  const BoardDevice first = SelectDevice(ctx);
  ShowState(first);
  ShowUserCode(first);
  // A small raw bit file with a user code, as the build would make one.
  const std::filesystem::path file =
      std::filesystem::temp_directory_path() /
      ("morvel-tour-" + std::to_string(static_cast<long long>(getpid())) + ".rbf");
  std::vector<uint8_t> payload(16384);
  for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<uint8_t>(i * 131 + 7);
  jtag::WriteRawBitFile(file, 0xC0FFEE01u, payload);
  std::printf("Programming %s with %s (user code 0xC0FFEE01)\n", first.Name.c_str(),
              file.filename().c_str());
  try {
    ProgramBoardDevice(first, file.string());
  } catch (...) {
    std::filesystem::remove(file);
    throw;
  }
  std::filesystem::remove(file);
  ShowState(first);
  ShowUserCode(first);
  std::printf("\n== The host's panels\n");
  host.PrintState(stdout);
  return TourBuild(ctx);
}

const CommandRegistration kTour({"tour",
                                 "",
                                 "a short tour of the host and plug-in (the default)",
                                 "Starts the host, loads the plug-in from its registry, and shows\n"
                                 "what one driver answers and what the host recorded. Then it\n"
                                 "copies the sample project Examples/Counter to a working folder\n"
                                 "under the temporary folder, builds it for the board's first\n"
                                 "device, downloads it and shows the device's user code.",
                                 {{"keep", nullptr,
                                   "keep the working folder of the sample's build"}},
                                 RunTour});

}  // namespace
}  // namespace morvel::host
