#pragma once

#include <functional>
#include <string>

#include "base/language_tables.h"

namespace tolva {

// Loads "lan_cn.xml" as "cn_zh" and "lan_en.xml" as "en" from `folder` (a directory or a
// resource prefix such as ":/lan/"), then makes current the table config.ini asks for. A
// missing or broken file only leaves its table out; its placeholders then show as written.
void LoadLanguageTables(LanguageTables& tables, const std::string& folder,
                        const std::string& config_path);

// The option menu's language switch: toggles between "cn_zh" and "en", stores the choice as
// "lan" in config.ini and logs each step. `repaint` runs after the choice is stored and before
// "change language finish" is logged: it re-resolves every placeholder on screen. The caller
// re-composes its number readings afterwards. Returns true when Chinese is now current.
bool SwitchLanguage(LanguageTables& tables, const std::string& config_path,
                    const std::function<void()>& repaint);

}  // namespace tolva
