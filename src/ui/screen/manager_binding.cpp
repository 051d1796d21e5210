#include "ui/screen/manager_binding.h"

#include <QApplication>
#include <QLineEdit>
#include <QTimer>

#include <vector>

#include "base/debug_print.h"
#include "model/manager/equalizer_manager.h"
#include "ui/windows/auto_cal_wnd.h"
#include "ui/controls/ui_equalizer.h"
#include "ui/windows/differences_wnd.h"
#include "ui/screen/edit_presenter.h"
#include "ui/screen/edit_routing.h"
#include "ui/kit/api/control_surface.h"
#include "ui/kit/api/dialogs.h"
#include "ui/kit/api/message_types.h"
#include "ui/kit/qt/qt_popup_menu.h"
#include "ui/kit/qt/qt_window_sink.h"
#include "ui/main/main_wnd.h"
#include "ui/screen/manager_screen.h"
#include "ui/screen/menu_routing.h"
#include "ui/screen/surface_screen_controls.h"
#include "ui/screen/tuning_actions.h"
#include "ui/windows/update_fw_wnd.h"
#include "ui/windows/window_dialogs.h"

namespace tolva::ui {
namespace {

// The window-side answers to what the manager asks of the screen.
class WindowManagerView final : public ManagerScreen {
 public:
  WindowManagerView(CMainWnd& window, model::EqualizerManager& manager, ScreenControls& controls)
      : ManagerScreen(manager, controls), window_(window), manager_(manager) {}

  void ShowMessage(const std::string& text) override {
    window_.Dialogs().ShowMessageBox(text, "${tips}");
  }
  void ShowUncaptionedMessage(const std::string& text) override {
    window_.Dialogs().ShowMessageBox(text, "");
  }
  void ShowSaved(const std::string& text) override {
    window_.Dialogs().ShowChoiceDialog("${tips}", text, {"${confirm}"});
  }
  // Shown without a modal loop, so the window goes on while the notice is up.
  void ShowPlugOutNotice(const std::string& text) override {
    ShowUnitLeftNotice(&window_, QString::fromStdString(text));
  }
  bool Confirm(const std::string& text) override {
    return window_.Dialogs().ShowChoiceDialog("${tips}", text, {"${confirm}", "${cancel}"}) == 1;
  }
  int AskCheck(const std::string& text, const std::string& option1,
               const std::string& option2) override {
    return window_.Dialogs().ShowCheckDialog("${tips}", text, option1, option2);
  }
  int AskChoice(const std::string& text, const std::vector<std::string>& buttons) override {
    return window_.Dialogs().ShowChoiceDialog("${tips}", text, buttons);
  }
  int AskKeptEdits(const std::vector<model::DifferenceRow>& rows) override {
    return ShowKeptEditsWindow(&window_, rows);
  }
  void OpenUpdateWindow() override { ShowUpdateWindow(&window_, manager_); }
  void CloseUpdateWindow() override { CloseOpenUpdateWindow(); }
  void CloseCalibrationWindow() override { CloseOpenCalibrationWindow(); }
  void OpenBusy() override { PostToWindow(kit::kMsgBusyOpen); }
  void CloseBusy() override { PostToWindow(kit::kMsgBusyClose); }

 private:
  void PostToWindow(std::uint32_t message) {
    if (auto sink = std::dynamic_pointer_cast<kit::QtWindowSink>(window_.Sink())) {
      sink->Post(message, 0, 0);
    }
  }

  CMainWnd& window_;
  model::EqualizerManager& manager_;
};

// A box typed into and then left by a click elsewhere (another output, a strip button, a combo,
// the graph, a menu) commits before that click acts, as leaving it by the keyboard does: a control
// that takes no focus would otherwise leave the typed value to be overwritten, or put on the
// output selected next.
void CommitFocusedBox(TuningActions& tuning, model::EqualizerManager& manager,
                      EditPresenter& presenter, kit::ControlSurface& surface,
                      const std::string& acting) {
  const auto* box = qobject_cast<QLineEdit*>(QApplication::focusWidget());
  if (box == nullptr) return;
  const std::string name = box->objectName().toStdString();
  kit::Edit* edit = surface.FindEdit(name);
  if (edit == nullptr || name == acting) return;
  const kit::ControlNotify leave{name, kit::msgtype::kKillFocus, edit->UserData()};
  tuning.OnControlNotify(leave, [&] { RouteEditNotification(manager, presenter, surface, leave); });
}

bool IsFocusChange(const kit::ControlNotify& n) {
  return n.type == kit::msgtype::kSetFocus || n.type == kit::msgtype::kKillFocus;
}

}  // namespace

struct ManagerBinding::Parts {
  Parts(CMainWnd& w, device::TransportFactory factory, Clock& clock)
      : window(w),
        manager(std::move(factory), clock),
        controls(w.Surface(), &w, w.findChild<curves::UIEqualizer*>(QStringLiteral("equalizer"))),
        view(w, manager, controls),
        presenter(manager, controls, view),
        tuning(w, manager) {}

  CMainWnd& window;
  model::EqualizerManager manager;
  SurfaceScreenControls controls;
  WindowManagerView view;
  EditPresenter presenter;
  TuningActions tuning;
  std::vector<QMetaObject::Connection> graph_drags;
};

ManagerBinding::ManagerBinding(CMainWnd& window, device::TransportFactory factory, Clock& clock)
    : parts_(std::make_unique<Parts>(window, std::move(factory), clock)) {
  model::EqualizerManager& manager = parts_->manager;
  EditPresenter& presenter = parts_->presenter;
  TuningActions& tuning = parts_->tuning;
  manager.SetView(&parts_->view);
  manager.SetMainSink(window.Sink().get());
  // Every user edit reaches the manager through the tuning actions, which make it one step.
  kit::ControlSurface& surface = window.Surface();
  window.SetMessageHandler([&window, &manager, &presenter, &surface,
                            &tuning](device::Notification& notification) {
    if (notification.message == kit::kMsgMenuClick) {
      const auto* item = dynamic_cast<const kit::MenuClickRecord*>(notification.record.get());
      if (item == nullptr) return;
      CommitFocusedBox(tuning, manager, presenter, surface, {});
      if (tuning.OnMenuItem(item->name)) return;
      tuning.OnManagerMenuItem(item->name, [&] {
        RouteMenuClick(window, manager, *item, [&tuning](const std::string& path, bool whole) {
          return tuning.MayLoadFile(path, whole);
        });
      });
      return;
    }
    manager.HandleNotification(notification);
    tuning.AfterMessage();
  });
  surface.SetNotifyHandler([&window, &manager, &presenter, &surface,
                            &tuning](const kit::ControlNotify& notify) {
    if (!IsFocusChange(notify)) CommitFocusedBox(tuning, manager, presenter, surface, notify.name);
    if (OpenMenuOfButton(window, manager, notify)) {
      if (notify.name == "btn_option" && window.CurrentMenu() != nullptr) {
        tuning.PrepareOptionMenu(*window.CurrentMenu());
      }
      return;
    }
    tuning.OnControlNotify(notify,
                           [&] { RouteEditNotification(manager, presenter, surface, notify); });
  });
  window.SetLanguageSwitchedHook([this] { parts_->view.UpdateAllVolumeEdit(); });
  // The graph's drags arrive with their values; the edit is the current output's.
  if (auto* graph = window.findChild<curves::UIEqualizer*>(QStringLiteral("equalizer"))) {
    parts_->graph_drags.push_back(
        QObject::connect(graph, &curves::UIEqualizer::BandDragged, graph,
                         [&presenter, &tuning](int band, int freq, float q, float gain) {
                           tuning.OnValueEdit([&] { presenter.BandDragged(band, freq, q, gain); });
                         }));
    parts_->graph_drags.push_back(
        QObject::connect(graph, &curves::UIEqualizer::CornerDragged, graph,
                         [&presenter, &tuning](bool high_pass, int freq) {
                           tuning.OnValueEdit([&] { presenter.CornerDragged(high_pass, freq); });
                         }));
  }
}

ManagerBinding::~ManagerBinding() {
  CMainWnd& window = parts_->window;
  window.Surface().SetNotifyHandler({});
  window.SetMessageHandler({});
  window.SetLanguageSwitchedHook({});
  for (const QMetaObject::Connection& c : parts_->graph_drags) QObject::disconnect(c);
  parts_->manager.CancelWaits();
  parts_->manager.Disconnect();
  parts_->manager.JoinWorkers();
  parts_->manager.SetMainSink(nullptr);
  parts_->manager.SetView(nullptr);
}

model::EqualizerManager& ManagerBinding::Manager() {
  return parts_->manager;
}

TuningActions& ManagerBinding::Tuning() {
  return parts_->tuning;
}

void ManagerBinding::OpenProfileFileWhenReady(const std::string& path) {
  auto* timer = new QTimer(&parts_->window);
  timer->setInterval(50);
  QObject::connect(timer, &QTimer::timeout, timer, [this, timer, path] {
    model::EqualizerManager& manager = parts_->manager;
    if (manager.IsReading() || manager.State() == model::ConnectState::kConnecting) return;
    timer->stop();
    timer->deleteLater();
    const bool whole = path.size() >= 4 && path.compare(path.size() - 4, 4, ".wpf") == 0;
    // As if chosen from the scene menu: asked about, and one step.
    TuningActions& tuning = parts_->tuning;
    tuning.OnManagerMenuItem("scene_item_load_file", [&] {
      if (!tuning.MayLoadFile(path, whole)) return;
      if (whole) {
        manager.LoadWholeConfigFromFile(path);
      } else {
        manager.LoadSenceConfigFromFile(path);
      }
    });
  });
  timer->start();
}

void ManagerBinding::Start() {
  parts_->view.InitControls();
  parts_->manager.Connect(false);
}

}  // namespace tolva::ui
