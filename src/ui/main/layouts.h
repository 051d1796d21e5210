#pragma once

#include <QString>

class QWidget;

// Window layouts by the ids the windows ask for them with.
namespace tolva::ui {

inline constexpr const char* kLayoutMain = "XML_MAIN";
inline constexpr const char* kLayoutAbout = "XML_ABOUT";
inline constexpr const char* kLayoutMsg = "XML_MSG";
inline constexpr const char* kLayoutCheckBoxMsg = "XML_CHECKBOX_MSG";
inline constexpr const char* kLayoutNameMsg = "XML_MSG_NAME";
inline constexpr const char* kLayoutLoading = "XML_LOADING";
inline constexpr const char* kLayoutChannelSettings = "xml/channel_settings.xml";

inline constexpr const char* kMenuOption = "xml/option_menu.xml";
inline constexpr const char* kMenuScene = "xml/scene_menu.xml";
inline constexpr const char* kMenuAdvance = "xml/advance_menu.xml";
inline constexpr const char* kMenuOutput = "xml/output_menu.xml";

// Registers the window resources (images, menu layouts); safe to call more than once.
void EnsureResources();
// Builds the layout of that id into root; false for an id without a layout here.
bool BuildLayout(const QString& id, QWidget* root);
// The text of a menu layout from the resources; empty when there is none.
QString MenuLayoutText(const QString& path);

}  // namespace tolva::ui
