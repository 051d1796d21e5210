#include "ui/controls/curve_text_style.h"

#include <gtest/gtest.h>

#include "ui/controls/ui_equalizer.h"

namespace tolva::curves {
namespace {

TEST(LayoutColor, AcceptsTheLayoutSpellings) {
  EXPECT_EQ(ParseLayoutColor("#FF00C000")->rgba(), 0xff00c000u);
  EXPECT_EQ(ParseLayoutColor("#00c000")->rgba(), 0xff00c000u);  // no alpha: opaque
  EXPECT_EQ(ParseLayoutColor("0x77777777")->rgba(), 0x77777777u);
  EXPECT_EQ(ParseLayoutColor("4278239232")->rgba(), 0xff00c000u);
  for (const char* bad :
       {"", "#", "#12345", "0x", "red", "#GG00C000", "0xff00c000 ", "99999999999"}) {
    EXPECT_FALSE(ParseLayoutColor(bad).has_value()) << bad;
  }
}

TEST(CurveTextStyle, AppliesKnownAttributesAndRejectsTheRest) {
  CurveTextStyle s;
  EXPECT_TRUE(s.Apply("align", "left"));
  EXPECT_TRUE(s.Apply("valign", "bottom"));
  EXPECT_TRUE(s.Apply("wordbreak", "true"));
  EXPECT_TRUE(s.Apply("noprefix", "true"));
  EXPECT_TRUE(s.Apply("textpadding", "2, 4,6 ,8"));
  EXPECT_TRUE(s.Apply("textcolor", "#ff112233"));
  EXPECT_TRUE(s.Apply("font", "3"));
  EXPECT_EQ(s.Flags(), int(Qt::AlignLeft | Qt::AlignBottom | Qt::TextWordWrap));
  EXPECT_EQ(s.padding, QMargins(2, 4, 6, 8));
  EXPECT_EQ(s.text_color.rgba(), 0xff112233u);
  EXPECT_EQ(s.font_id, 3);

  const CurveTextStyle before = s;
  EXPECT_FALSE(s.Apply("align", "middle"));
  EXPECT_FALSE(s.Apply("textpadding", "1,2,3"));
  EXPECT_FALSE(s.Apply("textpadding", "1,2,x,4"));
  EXPECT_FALSE(s.Apply("disabledtextcolor", "grey"));
  EXPECT_FALSE(s.Apply("font", "big"));
  EXPECT_FALSE(s.Apply("bkcolor", "#ff000000"));
  EXPECT_EQ(s.Flags(), before.Flags());
  EXPECT_EQ(s.padding, before.padding);
  EXPECT_EQ(s.disabled_text_color, before.disabled_text_color);
  EXPECT_EQ(s.font_id, 3);

  // Without "noprefix" an '&' marks a mnemonic, as the layout's texts expect.
  EXPECT_TRUE(CurveTextStyle{}.Flags() & Qt::TextShowMnemonic);
}

TEST(CurveTextStyle, GraphsTakeAttributesThroughTheControl) {
  UIEqualizer eq;
  EXPECT_TRUE(eq.SetAttribute("endellipsis", "true"));
  EXPECT_TRUE(eq.TextStyle().end_ellipsis);
  EXPECT_FALSE(eq.SetAttribute("nosuch", "1"));
  EXPECT_EQ(CurveGraphBase::kInterfaceName, "Curve");
}

}  // namespace
}  // namespace tolva::curves
