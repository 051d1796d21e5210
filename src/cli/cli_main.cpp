// tolva-dsp-cli: the window's operations from a shell. The arguments are parsed here; each
// command's work lives in its own file and takes the parsed values.
#include <fcntl.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/debug_print.h"
#include "base/version.h"
#include "cli/cli_manual.h"
#include "cli/commands.h"
#include "cli/device_session.h"
#include "cli/eq_fit_command.h"
#include "cli/measure_commands.h"

namespace tolva::cli {
namespace {

struct GlobalOptions {
  std::optional<std::string> device;
  bool json = false;
};

// Builds the command tree; the command that was given leaves its work in `action`.
class CommandLine {
 public:
  CommandLine() : app_("Scripts a Tolva DSP unit and its profile files.", "tolva-dsp-cli") {
    app_.require_subcommand(1);
    // The global options are also taken after the command.
    app_.fallthrough();
    app_.add_option("--device", globals_.device,
                    "the unit: hid (default), emulator or socket:PATH; else TOLVA_DSP_DEVICE")
        ->type_name("D");
    app_.add_flag("--json", globals_.json, "machine-readable output on standard output");
    app_.set_version_flag("--version", std::string("tolva-dsp-cli ") + kVersion);
    AddDeviceCommands();
    AddSceneCommands();
    AddEqCommands();
    AddFileCommands();
    AddMeasureCommands(app_, action_, globals_.json);
  }

  // The exit code of the parse (0 after --help) when no command is to run.
  std::optional<int> Parse(int argc, char** argv) {
    try {
      app_.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
      std::fputs(HelpOf(app_).c_str(), stdout);
      return kExitOk;
    } catch (const CLI::CallForVersion& e) {
      std::printf("%s\n", e.what());
      return kExitOk;
    } catch (const CLI::ParseError& e) {
      const std::string unknown = UnknownCommand(argc, argv);
      std::fprintf(stderr, "tolva-dsp-cli: %s\n",
                   unknown.empty() ? e.what() : ("unknown command \"" + unknown + "\"").c_str());
      std::fputs(HelpOf(app_).c_str(), stderr);
      return kExitUsage;
    }
    return std::nullopt;
  }
  int Run() { return action_ ? action_() : kExitUsage; }
  const CLI::App& Definitions() const { return app_; }

 private:
  // The first word that is no option, when no command of that name exists: CLI11 would only say
  // that a command is required.
  std::string UnknownCommand(int argc, char** argv) const {
    if (!app_.get_subcommands().empty()) return {};
    for (int i = 1; i < argc; ++i) {
      const std::string word = argv[i];
      if (word == "--device") {
        ++i;
      } else if (!word.starts_with("-")) {
        try {
          app_.get_subcommand(word);
          return {};
        } catch (const CLI::OptionNotFound&) {
          return word;
        }
      }
    }
    return {};
  }

  // The help of the deepest command that was given, as a user who mistyped one needs it.
  static std::string HelpOf(const CLI::App& app) {
    for (const CLI::App* sub : app.get_subcommands()) return HelpOf(*sub);
    return app.help();
  }

  CLI::App* Command(CLI::App& parent, const char* name, const char* help,
                    std::function<int()> work) {
    CLI::App* sub = parent.add_subcommand(name, help);
    sub->callback([this, work = std::move(work)] { action_ = work; });
    return sub;
  }
  // A command that talks to the unit: the --device choice is resolved once it runs.
  CLI::App* DeviceCommand(CLI::App& parent, const char* name, const char* help,
                          std::function<int(const DeviceOptions&)> work) {
    return Command(parent, name, help, [this, work = std::move(work)] {
      DeviceOptions device{ChosenDevice(globals_.device)};
      return device.factory ? work(device) : kExitUsage;
    });
  }

  void AddFileCommands() {
    CLI::App* response =
        Command(app_, "response", "a channel's curves from a scene profile, as CSV",
                [this] { return TextOnly("response") ? kExitUsage : RunResponse(path_, channel_); });
    response->add_option("FILE", path_, "scene profile (.spf)")->required();
    response->add_option("--channel", channel_, "output 0..5 (default: the file's current one)")
        ->check(CLI::Range(0, 5));

    CLI::App* diff = Command(app_, "diff", "the fields in which two profiles differ, as key: a -> b",
                             [this] { return Diff(); });
    diff->add_option("A", path_, "a profile file (.spf or .wpf), or unit")->required();
    diff->add_option("B", second_path_, "a profile file (.spf or .wpf), or unit")->required();

    Command(app_, "doctor", "why the unit can or cannot be opened, and what to do",
            [this] { return RunDoctor(globals_.json, globals_.device); });
  }

  int Diff() {
    if (!DiffNeedsUnit(path_, second_path_)) return RunDiff(nullptr, path_, second_path_, globals_.json);
    DeviceOptions device{ChosenDevice(globals_.device)};
    if (!device.factory) return kExitUsage;
    return RunDiff(&device, path_, second_path_, globals_.json);
  }

  // Commands whose output is a file format of its own have no JSON form.
  bool TextOnly(const char* command) const {
    if (!globals_.json) return false;
    std::fprintf(stderr, "tolva-dsp-cli %s: the output is %s, not JSON; leave out --json\n",
                 command, std::string_view(command) == "response" ? "CSV" : "filter text");
    return true;
  }

  void AddDeviceCommands() {
    DeviceCommand(app_, "info", "the unit's model and firmware versions as JSON",
                  [](const DeviceOptions& d) { return RunInfo(d); });
    DeviceCommand(app_, "read", "the unit's live settings to a scene profile",
                  [this](const DeviceOptions& d) { return RunRead(d, path_); })
        ->add_option("OUT", path_, "the scene profile to write (.spf)")
        ->required();
    DeviceCommand(app_, "read-whole", "the live settings and the ten stored scenes to a file",
                  [this](const DeviceOptions& d) { return RunReadWhole(d, path_); })
        ->add_option("OUT", path_, "the whole-unit profile to write (.wpf)")
        ->required();
    CLI::App* write =
        DeviceCommand(app_, "write", "a scene profile (.spf) or whole-unit profile (.wpf) to the unit",
                      [this](const DeviceOptions& d) {
                        return RunWrite(d, path_, changes_only_, globals_.json);
                      });
    write->add_option("FILE", path_, "the profile to send")->required();
    write->add_flag("--changes-only", changes_only_,
                    "read the unit first and send only what differs (scene profiles)");
    DeviceCommand(app_, "get", "the live settings by profile-file key, as JSON",
                  [this](const DeviceOptions& d) { return RunGet(d, key_); })
        ->add_option("KEY", key_, "e.g. mainVolume or channels/2/eqArray/4 (default: all)");
    DeviceCommand(app_, "set", "change live settings as the window does; all checked first",
                  [this](const DeviceOptions& d) { return RunSet(d, words_, globals_.json); })
        ->add_option("KEY=VALUE", words_,
                     "e.g. mainVolume=-12 source=bt channels/1/crossover/hp/fs=80 "
                     "channels/0/eqArray/4/eqGain=-3 outputs/2=7")
        ->required();
    DeviceCommand(app_, "factory-reset", "restore the unit's factory settings",
                  [this](const DeviceOptions& d) { return RunFactoryReset(d, yes_); })
        ->add_flag("--yes", yes_, "really erase every setting and stored scene");
    DeviceCommand(app_, "upgrade", "upgrade the unit's firmware from an image file",
                  [this](const DeviceOptions& d) { return RunUpgrade(d, path_); })
        ->add_option("FILE", path_, "…MCU_UPG.BIN, …FLASH_UPG.BIN or …BL_UPG.BIN")
        ->required();
  }

  void AddSceneCommands() {
    DeviceCommand(app_, "scenes", "the ten scenes stored on the unit",
                  [this](const DeviceOptions& d) { return RunScenes(d, globals_.json); });
    CLI::App* scene = app_.add_subcommand("scene", "load, save or delete a stored scene");
    scene->require_subcommand(1);
    const auto number = [this](CLI::App* sub) {
      sub->add_option("K", scene_, "the scene, 1..10")->required()->check(CLI::Range(1, 10));
      return sub;
    };
    number(DeviceCommand(*scene, "load", "make stored scene K the live settings",
                         [this](const DeviceOptions& d) { return RunSceneLoad(d, scene_); }));
    CLI::App* save = number(
        DeviceCommand(*scene, "save", "store the live settings as scene K under NAME",
                      [this](const DeviceOptions& d) {
                        return RunSceneSave(d, scene_, name_, yes_);
                      }));
    save->add_option("NAME", name_, "at most 7 characters the unit can show")->required();
    save->add_flag("--overwrite", yes_, "replace a scene that already has a name");
    number(DeviceCommand(*scene, "delete", "delete stored scene K",
                         [this](const DeviceOptions& d) { return RunSceneDelete(d, scene_); }));
  }

  void AddEqCommands() {
    CLI::App* eq = app_.add_subcommand("eq", "an output's bands as Equalizer APO or REW text");
    eq->require_subcommand(1);
    CLI::App* out = Command(*eq, "export", "print an output's active bands as filter text",
                            [this] {
                              if (TextOnly("eq export")) return kExitUsage;
                              return OnFileOrUnit(export_.file, from_unit_, "--from-unit",
                                                         [this](const DeviceOptions* d) {
                                                           export_.rew = format_ == "rew";
                                                           return RunEqExport(d, export_);
                                                         });
                            });
    out->add_option("FILE", export_.file, "a scene profile (.spf)");
    out->add_flag("--from-unit", from_unit_, "the unit's live settings instead of a file");
    out->add_option("--channel", export_.channel, "output 0..5")->required()->check(CLI::Range(0, 5));
    out->add_option("--format", format_, "apo (default) or rew")->check(CLI::IsMember({"apo", "rew"}));

    CLI::App* in = Command(*eq, "import", "filter text onto an output's bands",
                           [this] { return OnFileOrUnit(import_.into_file, to_unit_, "--to-unit",
                                                        [this](const DeviceOptions* d) {
                                                          import_.json = globals_.json;
                                                          return RunEqImport(d, import_);
                                                        }); });
    in->add_option("TEXT", import_.text_file, "Equalizer APO or REW filter text")->required();
    in->add_option("--channel", import_.channel, "output 0..5")->required()->check(CLI::Range(0, 5));
    in->add_option("--into", import_.into_file, "the scene profile (.spf) to change");
    in->add_flag("--to-unit", to_unit_, "send the bands to the unit instead");
    in->add_option("--apo-channel", import_.apo_channel, "the Channel: block to take");
    in->add_flag("--force", import_.force, "import even beyond the deviation limit or leaving filters out");
    in->add_option("--max-deviation", import_.max_deviation_db,
                   "largest deviation in dB from the file's curve imported without --force (default 1)")
        ->check(CLI::Range(0.0, 100.0));
    AddEqFitCommand(*eq, action_, globals_.json, globals_.device);
  }

  // Exactly one of a profile file and the unit.
  int OnFileOrUnit(const std::string& file, bool unit, const char* unit_flag,
                   const std::function<int(const DeviceOptions*)>& work) {
    if (file.empty() == !unit) {
      std::fprintf(stderr, "tolva-dsp-cli eq: give either a profile file or %s\n", unit_flag);
      return kExitUsage;
    }
    if (!unit) return work(nullptr);
    DeviceOptions device{ChosenDevice(globals_.device)};
    return device.factory ? work(&device) : kExitUsage;
  }

  CLI::App app_;
  GlobalOptions globals_;
  std::function<int()> action_;
  // The commands' own values; only one command runs, so they share these.
  std::string path_, second_path_, key_, name_, format_ = "apo";
  std::vector<std::string> words_;
  int channel_ = -1;
  int scene_ = 0;
  bool yes_ = false, from_unit_ = false, to_unit_ = false, changes_only_ = false;
  EqExportOptions export_;
  EqImportOptions import_;
};

}  // namespace
}  // namespace tolva::cli

namespace {

// A standard stream the caller closed would be taken by the next file or socket opened, and
// output meant for the terminal would land there. Read-only /dev/null in its place makes
// writes to it fail, which the exit code then reports.
void HoldClosedStandardStreams() {
  for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
    if (::fcntl(fd, F_GETFD) != -1) continue;
    const int held = ::open("/dev/null", O_RDONLY);
    if (held >= 0 && held != fd) {
      ::dup2(held, fd);
      ::close(held);
    }
  }
}

// Output a script did not get is no success.
int WithOutputChecked(int code) {
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return code;
  std::fprintf(stderr, "tolva-dsp-cli: standard output could not be written\n");
  return code == tolva::cli::kExitOk ? tolva::cli::kExitFailed : code;
}

}  // namespace

int main(int argc, char** argv) {
  HoldClosedStandardStreams();
  // As in the GUI: the marker file in the working folder switches the debug log on.
  std::error_code ignored;
  const bool log = std::filesystem::exists("savelog.ini", ignored) && InitConsoleWindow("save.log");
  tolva::cli::CommandLine command_line;
  // The build asks the command tree for the manual page and the shell completion.
  const std::optional<int> printed =
      tolva::cli::PrintCliDocument(argc, argv, command_line.Definitions());
  const std::optional<int> parsed = printed ? printed : command_line.Parse(argc, argv);
  const int code = WithOutputChecked(parsed ? *parsed : command_line.Run());
  if (log) CloseConsoleWindow();
  return code;
}
