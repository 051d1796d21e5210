#include <gtest/gtest.h>

#include "measure/calibration.h"

namespace tolva::measure {
namespace {

TEST(Calibration, ReadsMicrophoneAndPlainFiles) {
  const CalibrationText umik = ParseCalibration(
      "\"Sens Factor =-.7423dB, AGain =18dB, SERNO: 7023456\"\r\n"
      "10.054\t-3.1\r\n20.0 -1.25 12.0\r\n* a comment\r\n1000 0\r\n20000 2.5\r\n");
  ASSERT_EQ(umik.error, "");
  ASSERT_TRUE(umik.calibration.sensitivity_db);
  EXPECT_DOUBLE_EQ(*umik.calibration.sensitivity_db, -0.7423);
  EXPECT_EQ(umik.calibration.serial, "7023456");
  EXPECT_EQ(umik.calibration.freq.size(), 4u);

  const CalibrationText plain = ParseCalibration("Freq(Hz) dB\n20,-1.5\n100,0\n20000,1\n");
  ASSERT_EQ(plain.error, "");
  EXPECT_FALSE(plain.calibration.sensitivity_db);
  EXPECT_EQ(plain.calibration.db.front(), -1.5);
}

TEST(Calibration, RefusesWhatItCannotRead) {
  for (const char* text : {"", "no numbers here\n", "20 -1\n10 0\n", "20 -1\n30\n",
                           "20,5 -1,2\n40,0 0,0\n", "0 1\n20 2\n", "20 1\nword\n"}) {
    const CalibrationText c = ParseCalibration(text);
    EXPECT_NE(c.error, "") << text;
    EXPECT_TRUE(c.calibration.freq.empty()) << text;
  }
}

TEST(Calibration, InterpolatesOnLogFrequencyAndHoldsTheEnds) {
  Calibration cal;
  cal.freq = {100.0, 1000.0};
  cal.db = {2.0, 0.0};
  EXPECT_DOUBLE_EQ(CalibrationAt(cal, 10.0), 2.0);
  EXPECT_DOUBLE_EQ(CalibrationAt(cal, 20000.0), 0.0);
  EXPECT_NEAR(CalibrationAt(cal, std::sqrt(100.0 * 1000.0)), 1.0, 1e-12);
  Response r;
  r.freq = {50.0, 316.22776601683796, 5000.0};
  r.db = {10.0, 10.0, 10.0};
  ApplyCalibration(r, cal);
  EXPECT_DOUBLE_EQ(r.db[0], 8.0);
  EXPECT_NEAR(r.db[1], 9.0, 1e-9);
  EXPECT_DOUBLE_EQ(r.db[2], 10.0);
}

}  // namespace
}  // namespace tolva::measure
