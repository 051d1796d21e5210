#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// How the logic asks and tells the user: the modal message dialogs and file dialogs of a window.
// Titles and texts may be placeholders. Results: kResultConfirm 1, kResultCancel 0, kResultThird 2.
namespace tolva::kit {

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  virtual int ShowMessageDialog(std::string_view title, std::string_view text) = 0;
  // One to three button texts: confirm, cancel, third.
  virtual int ShowChoiceDialog(std::string_view title, std::string_view text,
                               const std::vector<std::string>& buttons) = 0;
  // 1 when the first option was selected at confirmation, 2 the second, 0 cancel or close.
  virtual int ShowCheckDialog(std::string_view title, std::string_view text,
                              std::string_view option0, std::string_view option1) = 0;
  // A scene's name: name holds the initial text and receives, on result 1, the name the unit will
  // keep of the accepted one (the dialog shows it while typing); on 0 or 2 it keeps the initial
  // text.
  virtual int ShowNameDialog(std::string& name) = 0;
  // A plain notice with an OK button; an empty caption shows none.
  virtual void ShowMessageBox(std::string_view text, std::string_view caption) = 0;
  // filter like "Scene file (*.spf)"; nothing when the user cancels.
  virtual std::optional<std::string> GetOpenFileName(std::string_view title,
                                                     std::string_view filter) = 0;
  virtual std::optional<std::string> GetSaveFileName(std::string_view title,
                                                     std::string_view filter,
                                                     std::string_view suggested_name) = 0;
};

}  // namespace tolva::kit
