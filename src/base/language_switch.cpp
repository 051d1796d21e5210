#include "base/language_switch.h"

#include <QString>

#include "base/config.h"
#include "base/debug_print.h"

namespace tolva {

void LoadLanguageTables(LanguageTables& tables, const std::string& folder,
                        const std::string& config_path) {
  std::string prefix = folder;
  if (!prefix.empty() && prefix.back() != '/') prefix += '/';
  tables.LoadFile(prefix + "lan_cn.xml", LanguageTables::kChinese);
  tables.LoadFile(prefix + "lan_en.xml", LanguageTables::kEnglish);
  tables.Select(ReadChineseSetting(config_path) ? LanguageTables::kChinese
                                                : LanguageTables::kEnglish);
}

bool SwitchLanguage(LanguageTables& tables, const std::string& config_path,
                    const std::function<void()>& repaint) {
  const bool to_chinese =
      QString::fromStdString(tables.CurrentName())
          .compare(QLatin1String(LanguageTables::kChinese), Qt::CaseInsensitive) != 0;
  DebugPrint(to_chinese ? L"change language to cn\n" : L"change language to en\n");
  tables.Select(to_chinese ? LanguageTables::kChinese : LanguageTables::kEnglish);
  if (!WriteChineseSetting(config_path, to_chinese)) {
    DebugPrint(L"write %s failed\n", config_path.c_str());
  }
  if (repaint) repaint();
  DebugPrint(L"change language finish\n");
  return to_chinese;
}

}  // namespace tolva
