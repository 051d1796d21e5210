// Software upgrades against the emulated unit: which files are taken, how each kind of image
// travels in blocks, and how refusals, hesitations and a lost unit end the transfer.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <numeric>

#include "base/clock.h"
#include "device/link/dsp_link.h"
#include "device/protocol/firmware_image.h"
#include "device/link/firmware_upgrade.h"
#include "device/support/recording_sink.h"
#include "emulator/emulator_transport.h"
#include "support/forwarding_transport.h"

namespace tolva::emulator {
namespace {

namespace fs = std::filesystem;
using device::FirmwareUpgrade;
using device::ImageCheck;
using device::UpgradeTarget;

std::vector<std::uint8_t> Bytes(std::size_t n, std::uint8_t seed = 1) {
  std::vector<std::uint8_t> v(n);
  std::iota(v.begin(), v.end(), seed);
  return v;
}

TEST(UpgradeImageFile, NamesAndChecks) {
  EXPECT_EQ(device::TargetOfFileName("/fw/tolva_zq5512_flash_upg.bin"), UpgradeTarget::kDspFlash);
  EXPECT_EQ(device::TargetOfFileName("C:\\fw\\X_MCU_UPG.BIN"), UpgradeTarget::kMcu);
  EXPECT_EQ(device::TargetOfFileName("A_BL_UPG.BIN_MCU_UPG.BIN"), UpgradeTarget::kBootLoader);
  EXPECT_EQ(device::TargetOfFileName("/MCU_UPG.BIN/readme.txt"), UpgradeTarget::kNone);
  EXPECT_EQ(device::TargetOfFileName("firmware.bin"), UpgradeTarget::kNone);

  device::UpgradeImage image;
  const auto data = Bytes(100);
  auto file = device::BuildUpgradeImage(1, 19, {1, 2, 3, 4}, data);
  ASSERT_EQ(device::ParseUpgradeImage(file, UpgradeTarget::kMcu, 19, image), ImageCheck::kOk);
  EXPECT_EQ(image.data, data);
  EXPECT_EQ(image.start_header, (std::array<std::uint8_t, 4>{1, 2, 3, 4}));
  EXPECT_EQ(device::ParseUpgradeImage(file, UpgradeTarget::kMcu, 18, image),
            ImageCheck::kWrongModel);
  file[20] ^= 1;
  EXPECT_EQ(device::ParseUpgradeImage(file, UpgradeTarget::kMcu, 19, image),
            ImageCheck::kBadChecksum);
  const auto kind2 = device::BuildUpgradeImage(2, 19, {}, data);
  EXPECT_EQ(device::ParseUpgradeImage(kind2, UpgradeTarget::kMcu, 19, image),
            ImageCheck::kWrongKind);
  EXPECT_EQ(device::ParseUpgradeImage(kind2, UpgradeTarget::kDspFlash, 19, image), ImageCheck::kOk);
  const auto empty = device::BuildUpgradeImage(1, 19, {}, {});
  EXPECT_EQ(device::ParseUpgradeImage(empty, UpgradeTarget::kMcu, 19, image), ImageCheck::kNoData);

  const auto largest = device::BuildUpgradeImage(1, 19, {}, Bytes(device::kMaxImageFileBytes - 14));
  ASSERT_EQ(largest.size(), 1048576u);
  EXPECT_EQ(device::ParseUpgradeImage(largest, UpgradeTarget::kMcu, 19, image), ImageCheck::kOk);
  const auto too_large =
      device::BuildUpgradeImage(1, 19, {}, Bytes(device::kMaxImageFileBytes - 13));
  EXPECT_EQ(device::ParseUpgradeImage(too_large, UpgradeTarget::kMcu, 19, image),
            ImageCheck::kTooLarge);
}

// The emulated unit's transport, except that the report following a "not ready"
// acknowledgement rides in the same report, as a unit may send them.
class JoiningTransport final : public tolva::testing::ForwardingTransport {
 public:
  using ForwardingTransport::ForwardingTransport;
  int ReadTimeout(std::span<std::uint8_t> buffer, int timeout_ms) override {
    const int n = inner().ReadTimeout(buffer, timeout_ms);
    // AA 55 L cmd sub op data…: a frame is L + 4 bytes; op 0xEE with 0x60 is "not ready".
    if (n < 8 || buffer[5] != 0xEE || buffer[6] != 0x60) return n;
    const std::size_t first = buffer[2] + 4u;
    std::array<std::uint8_t, 64> next{};
    if (inner().ReadTimeout(next, 0) <= 0) return n;
    std::copy_n(next.begin(), buffer.size() - first, buffer.begin() + first);
    ++joined;
    return n;
  }
  static inline std::atomic<int> joined{0};
};

class UpgradeOnEmulator : public ::testing::Test {
 protected:
  void Start(Faults faults = {}, bool join_not_ready = false) {
    EmulatorOptions options;
    options.faults = faults;
    unit_ = std::make_shared<EmulatedDevice>(options, clock_);
    device::TransportFactory factory = MakeEmulatorTransportFactory(unit_);
    if (join_not_ready) {
      factory = [inner = factory] { return std::make_unique<JoiningTransport>(inner()); };
    }
    link_ = std::make_unique<device::DspLink>(factory, clock_);
    link_->SetNotificationSink(device::TargetWindow::kMain, &main_);
    ASSERT_EQ(link_->OpenHIDDevice(), 0);
    ASSERT_TRUE(link_->Hand_Connect());
    upgrade_ = std::make_unique<FirmwareUpgrade>(*link_, clock_);
  }
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("tolva_fw_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
    Start();
  }
  void TearDown() override {
    upgrade_.reset();
    link_.reset();
    fs::remove_all(dir_);
  }
  std::string Write(const char* name, const std::vector<std::uint8_t>& bytes) {
    const std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path;
  }
  // Steps until the end; the progress seen on the way.
  std::uint8_t RunToEnd(std::vector<int>* progress = nullptr) {
    for (int i = 0; i < 5000; ++i) {
      const std::uint8_t r = upgrade_->UpgradeStep();
      if (r > 100) return r;
      if (progress) progress->push_back(r);
    }
    ADD_FAILURE() << "the transfer never ended";
    return 0;
  }
  ReceivedImage Received() {
    return unit_->WithUnit([](EmulatedUnit& u) { return u.received_image(); });
  }

  fs::path dir_;
  FakeClock clock_;
  std::shared_ptr<EmulatedDevice> unit_;
  device::testing::RecordingSink main_;
  std::unique_ptr<device::DspLink> link_;
  std::unique_ptr<FirmwareUpgrade> upgrade_;
};

TEST_F(UpgradeOnEmulator, McuImageTravelsFromItsEndInBlocksOf32) {
  const auto data = Bytes(100);
  const auto path = Write("T_MCU_UPG.BIN", device::BuildUpgradeImage(1, 19, {9, 8, 7, 6}, data));
  const std::int64_t before = clock_.NowMs();
  ASSERT_EQ(upgrade_->UpgradeStart(path), FirmwareUpgrade::kStarted);
  EXPECT_GE(clock_.NowMs() - before, 8000);  // the unit was given its time to switch
  EXPECT_TRUE(link_->IsDeviceOpen());
  EXPECT_EQ(link_->UpgradeState(), device::UPG_READY);
  std::vector<int> progress;
  EXPECT_EQ(RunToEnd(&progress), FirmwareUpgrade::kFinished);
  EXPECT_EQ(link_->UpgradeState(), device::UPG_IDLE);
  EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
  EXPECT_EQ(progress.back(), 100);
  const ReceivedImage got = Received();
  EXPECT_EQ(got.target, 2);
  EXPECT_EQ(got.start_header, (std::array<std::uint8_t, 4>{9, 8, 7, 6}));
  EXPECT_EQ(got.blocks, 4);  // offsets 96, 64, 32, 0: the first carries 4 bytes and 28 zeros
  ASSERT_EQ(got.data.size(), 128u);
  EXPECT_TRUE(std::equal(data.begin(), data.end(), got.data.begin()));
  EXPECT_TRUE(std::all_of(got.data.begin() + 100, got.data.end(), [](auto b) { return b == 0; }));
  EXPECT_TRUE(got.finished);

  // A multiple of 32: two full blocks.
  Start();
  const auto even = Bytes(64, 7);
  ASSERT_EQ(
      upgrade_->UpgradeStart(Write("B_MCU_UPG.BIN", device::BuildUpgradeImage(1, 19, {}, even))),
      FirmwareUpgrade::kStarted);
  EXPECT_EQ(RunToEnd(), FirmwareUpgrade::kFinished);
  EXPECT_EQ(Received().blocks, 2);
  EXPECT_EQ(Received().data, even);
}

TEST_F(UpgradeOnEmulator, FlashImageTravelsFromItsStartInBlocksOf50ThenTheUnitRestarts) {
  const auto data = Bytes(120, 3);
  const auto path = Write("tolva_zq5512_flash_upg.bin", device::BuildUpgradeImage(5, 19, {}, data));
  const std::uint64_t departures = unit_->generation();
  ASSERT_EQ(upgrade_->UpgradeStart(path), FirmwareUpgrade::kStarted);
  EXPECT_EQ(RunToEnd(), FirmwareUpgrade::kFinished);
  const ReceivedImage got = Received();
  EXPECT_EQ(got.target, 1);
  EXPECT_EQ(got.blocks, 3);  // (0, 50), (50, 50), (100, 20)
  EXPECT_EQ(got.data, data);
  // MCU_Reboot_Ctrl's wait took the finish's acknowledgement; the unit restarts once its own
  // answer has been read.
  link_->ReadHIDData(100);
  EXPECT_GT(unit_->generation(), departures);
}

TEST_F(UpgradeOnEmulator, BlocksAnsweredNotReadyAreWaitedForNotSentAgain) {
  Faults f;
  f.upgrade_not_ready_every = 2;
  Start(f);
  const auto data = Bytes(300, 11);
  ASSERT_EQ(
      upgrade_->UpgradeStart(Write("C_FLASH_UPG.BIN", device::BuildUpgradeImage(1, 19, {}, data))),
      FirmwareUpgrade::kStarted);
  EXPECT_EQ(RunToEnd(), FirmwareUpgrade::kFinished);
  EXPECT_EQ(Received().blocks, 6);
  EXPECT_EQ(Received().data, data);
}

TEST_F(UpgradeOnEmulator, RefusedFilesAndUnitsNeverStartATransfer) {
  const auto image = device::BuildUpgradeImage(1, 19, {}, Bytes(40));
  EXPECT_EQ(upgrade_->UpgradeStart(Write("firmware.bin", image)), FirmwareUpgrade::kInvalidFile);
  EXPECT_EQ(upgrade_->UpgradeStart((dir_ / "MISSING_MCU_UPG.BIN").string()),
            FirmwareUpgrade::kCannotOpen);
  EXPECT_EQ(upgrade_->UpgradeStart(
                Write("K_MCU_UPG.BIN", device::BuildUpgradeImage(2, 19, {}, Bytes(40)))),
            FirmwareUpgrade::kInvalidFile);
  EXPECT_EQ(link_->UpgradeState(), device::UPG_IDLE);
  EXPECT_EQ(Received().target, 0);

  Faults refuse;
  refuse.not_ready = CommandKey{3, 0x02};
  Start(refuse);
  EXPECT_EQ(upgrade_->UpgradeStart(Write("R_MCU_UPG.BIN", image)), FirmwareUpgrade::kRefused);
  Faults silent;
  silent.no_reply = CommandKey{3, 0x01};
  Start(silent);
  EXPECT_EQ(upgrade_->UpgradeStart(Write("S_MCU_UPG.BIN", image)), FirmwareUpgrade::kRefused);
  EXPECT_EQ(link_->UpgradeState(), device::UPG_IDLE);

  link_->CloseHIDDevice(true);
  EXPECT_EQ(upgrade_->UpgradeStart(Write("D_FLASH_UPG.BIN", image)),
            FirmwareUpgrade::kNotConnected);
  EXPECT_EQ(upgrade_->UpgradeStart(Write("D_MCU_UPG.BIN", image)), FirmwareUpgrade::kNotConnected);
  EXPECT_EQ(link_->UpgradeState(), device::UPG_IDLE);
}

TEST_F(UpgradeOnEmulator, AcknowledgementsThatArriveTogetherOrElsewhereStillMoveTheTransferOn) {
  // "Not ready" and "ready" of one block in one report.
  Faults hesitant;
  hesitant.upgrade_not_ready_every = 1;
  Start(hesitant, true);
  const auto data = Bytes(120, 5);
  const auto flash = device::BuildUpgradeImage(1, 19, {}, data);
  JoiningTransport::joined = 0;
  ASSERT_EQ(upgrade_->UpgradeStart(Write("J_FLASH_UPG.BIN", flash)), FirmwareUpgrade::kStarted);
  EXPECT_EQ(RunToEnd(), FirmwareUpgrade::kFinished);
  EXPECT_EQ(JoiningTransport::joined, 3);
  EXPECT_EQ(Received().data, data);

  // Another reader on the link takes a block's acknowledgement before the step reads.
  Start();
  ASSERT_EQ(upgrade_->UpgradeStart(Write("O_FLASH_UPG.BIN", flash)), FirmwareUpgrade::kStarted);
  upgrade_->UpgradeStep();  // sends the first block
  ASSERT_EQ(link_->UpgradeState(), device::UPG_WAITING_BIN_DATA_ACK);
  ASSERT_TRUE(link_->ReadHIDData(100));
  EXPECT_EQ(RunToEnd(), FirmwareUpgrade::kFinished);
  EXPECT_EQ(Received().data, data);
}

TEST_F(UpgradeOnEmulator, AFlashUpgradeWhoseBlocksGoUnansweredFailsAndStillRestartsTheUnit) {
  Faults silent_blocks;
  silent_blocks.no_reply = CommandKey{2, 0x04};
  Start(silent_blocks);
  const std::uint64_t departures = unit_->generation();
  ASSERT_EQ(upgrade_->UpgradeStart(
                Write("Q_FLASH_UPG.BIN", device::BuildUpgradeImage(1, 19, {}, Bytes(80)))),
            FirmwareUpgrade::kStarted);
  const std::int64_t before = clock_.NowMs();
  EXPECT_EQ(RunToEnd(), FirmwareUpgrade::kFailed);
  EXPECT_LE(clock_.NowMs() - before, 45000);  // given up after 30 s of silence, not never
  EXPECT_EQ(link_->UpgradeState(), device::UPG_IDLE);
  EXPECT_GT(unit_->generation(), departures);  // MCU_Reboot_Ctrl reached it
}

TEST_F(UpgradeOnEmulator, AUnitThatLeavesTheBusWhileSwitchingIsReportedLost) {
  unit_->WithUnit([](EmulatedUnit& u) { u.faults().unplug_after = u.reports_received() + 1; });
  EXPECT_EQ(upgrade_->UpgradeStart(
                Write("L_MCU_UPG.BIN", device::BuildUpgradeImage(1, 19, {}, Bytes(64)))),
            FirmwareUpgrade::kNotConnected);
  EXPECT_FALSE(link_->IsDeviceOpen());
  EXPECT_EQ(link_->UpgradeState(), device::UPG_IDLE);
  EXPECT_EQ(Received().target, 0);
}

TEST_F(UpgradeOnEmulator, ALostUnitOrAnUnansweredStartFailsInsteadOfWaitingForever) {
  Faults silent_start;
  silent_start.no_reply = CommandKey{3, 0xA1};
  Start(silent_start);
  const auto image = device::BuildUpgradeImage(1, 19, {}, Bytes(64));
  ASSERT_EQ(upgrade_->UpgradeStart(Write("X_BL_UPG.BIN", image)), FirmwareUpgrade::kStarted);
  EXPECT_EQ(RunToEnd(), FirmwareUpgrade::kFailed);

  Faults unplug;
  unplug.unplug_after = 6;  // handshake, enter, start and a few blocks
  Start(unplug);
  ASSERT_EQ(upgrade_->UpgradeStart(
                Write("Y_BL_UPG.BIN", device::BuildUpgradeImage(1, 19, {}, Bytes(640)))),
            FirmwareUpgrade::kStarted);
  EXPECT_EQ(RunToEnd(), FirmwareUpgrade::kFailed);
  EXPECT_EQ(link_->UpgradeState(), device::UPG_IDLE);
}

}  // namespace
}  // namespace tolva::emulator
