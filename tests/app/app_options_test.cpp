#include "app/app_options.h"

#include <gtest/gtest.h>

namespace tolva::app {
namespace {

ParsedOptions Parse(QStringList args, const QString& env = {}) {
  args.prepend(QStringLiteral("tolva-dsp"));
  return ParseAppOptions(args, env);
}

TEST(AppOptions, DeviceChoices) {
  using Kind = device::DeviceTarget::Kind;
  auto hid = Parse({});
  ASSERT_TRUE(hid.options);
  EXPECT_EQ(hid.options->device.target.kind, Kind::kHid);
  EXPECT_EQ(hid.options->device.text, "hid");

  auto emulator = Parse({"--device", "emulator"});
  ASSERT_TRUE(emulator.options);
  EXPECT_EQ(emulator.options->device.target.kind, Kind::kEmulator);

  auto socket = Parse({"--device=socket:/run/user/1000/unit.sock"});
  ASSERT_TRUE(socket.options);
  EXPECT_EQ(socket.options->device.target.kind, Kind::kSocket);
  EXPECT_EQ(socket.options->device.target.path, "/run/user/1000/unit.sock");
  EXPECT_EQ(socket.options->device.text, "socket:/run/user/1000/unit.sock");
}

TEST(AppOptions, EnvironmentChoosesTheDeviceUnlessTheCommandLineDoes) {
  auto from_env = Parse({}, "emulator");
  ASSERT_TRUE(from_env.options);
  EXPECT_EQ(from_env.options->device.target.kind, device::DeviceTarget::Kind::kEmulator);

  auto overridden = Parse({"--device", "hid"}, "socket:/tmp/x");
  ASSERT_TRUE(overridden.options);
  EXPECT_EQ(overridden.options->device.target.kind, device::DeviceTarget::Kind::kHid);

  // A bad environment value is an error too; a good flag does not hide it only by luck.
  EXPECT_EQ(Parse({}, "usb").exit_code, 2);
  EXPECT_TRUE(Parse({"--device", "emulator"}, "usb").options);
}

TEST(AppOptions, BadValuesFailWithExitCodeTwoAndSayWhy) {
  for (const QStringList& args :
       {QStringList{"--device", "usb"}, QStringList{"--device", "socket:"},
        QStringList{"--device", "Emulator"}, QStringList{"--device"}, QStringList{"--bogus"},
        QStringList{"--screenshot", "a.png", "--lang", "de"},
        QStringList{"--screenshot", "a.png", "--scale", "abc"},
        QStringList{"--screenshot", "a.png", "--scale", "1000"}, QStringList{"--lang", "en"},
        QStringList{"--scale", "150"}}) {
    auto parsed = Parse(args);
    EXPECT_FALSE(parsed.options) << args.join(' ').toStdString();
    EXPECT_EQ(parsed.exit_code, 2) << args.join(' ').toStdString();
    EXPECT_FALSE(parsed.message.isEmpty()) << args.join(' ').toStdString();
  }
  EXPECT_TRUE(Parse({"--device", "usb"}).message.contains("usb"));
}

TEST(AppOptions, ScreenshotHelpAndFiles) {
  auto shot = Parse({"--screenshot", "/tmp/w.png", "--lang", "EN", "--scale", "150"});
  ASSERT_TRUE(shot.options);
  EXPECT_EQ(shot.options->screenshot_path, "/tmp/w.png");
  EXPECT_EQ(shot.options->screenshot_chinese, false);
  EXPECT_EQ(shot.options->screenshot_scale, 150);

  auto plain = Parse({"car.spf", "whole.wpf"});
  ASSERT_TRUE(plain.options);
  EXPECT_TRUE(plain.options->screenshot_path.isEmpty());
  EXPECT_FALSE(plain.options->screenshot_chinese);
  EXPECT_EQ(plain.options->files, (QStringList{"car.spf", "whole.wpf"}));

  auto help = Parse({"--help"});
  EXPECT_FALSE(help.options);
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_TRUE(help.message.contains("--device"));
}

}  // namespace
}  // namespace tolva::app
