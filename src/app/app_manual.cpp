#include "app/app_manual.h"

#include "app/app_options.h"
#include "base/version.h"
#include "manual/manual_page.h"

namespace tolva::app {

std::string AppManualPage() {
  using manual::ManualSection;
  manual::ManualPage page;
  page.command = AppOptionsOutline();
  page.summary = "tune a USB car-audio DSP unit live";
  page.synopsis = {"[--device hid|emulator|socket:PATH] [FILE.spf|FILE.wpf ...]",
                   "--screenshot FILE.png [--lang cn|en] [--scale PERCENT]"};
  page.description = {ManualSection{
      "Description",
      {"tolva-dsp reads every setting a Tolva DSP unit holds over USB, shows them in one window "
       "and sends each change at once: per output the speaker role, input routing, gain and "
       "mute, delay, polarity, crossovers and a 31-band EQ; the main volume, the input source "
       "and the ten scenes the unit stores. It saves one scene (.spf) or the whole unit (.wpf) "
       "to files, runs the unit's room correction and upgrades its firmware.",
       "A profile file given on the command line is loaded once the unit has been read, and sent "
       "to it: a .wpf as the whole unit, any other as a scene profile. Only one copy runs per "
       "user. When no unit is plugged in, --device emulator shows the program with an emulated "
       "unit."},
      {}}};
  page.closing = {
      ManualSection{"Exit status", {}, {{"0", "closed normally"}, {"2", "wrong usage"}}},
      ManualSection{"Environment",
                    {},
                    {{"TOLVA_DSP_DEVICE", "the unit when --device is not given"}}},
      ManualSection{
          "Files",
          {"All of them are in the working folder the program was started from."},
          {{"config.ini", "the interface language: section [config], key lan, 1 Chinese "
                          "(also when missing), 0 English"},
           {"savelog.ini", "when it exists, the debug log is on"},
           {"save.log", "the debug log, UTF-16LE, emptied at every start"}}},
      ManualSection{"Device access",
                    {"Opening the unit needs permission: the package's udev rule "
                     "(/usr/lib/udev/rules.d/60-tolva-dsp.rules) hands it to the user at the "
                     "seat. tolva-dsp-cli doctor tells why a unit cannot be opened."},
                    {}},
      ManualSection{"See also",
                    {"tolva-dsp-cli(1), tolva-dsp-emulator(1), /usr/share/doc/tolva-dsp/"},
                    {}}};
  return manual::RenderManualPage(page, kVersion, kReleaseDate);
}

}  // namespace tolva::app
