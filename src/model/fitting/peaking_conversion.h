#pragma once

// The unit's peaking band and the cookbook peaking filter that Equalizer APO, REW's Generic
// equaliser and AutoEq use are the same second-order family, told apart by what Q names: the
// unit's Q places the band edge where the power is the mean of 1 and G², the cookbook's Q the
// half-gain points. For a given centre and gain one Q of each gives identical curves (at the
// unit's 48 kHz), so text can cross in both directions without changing the sound.
namespace tolva::model {

// The unit's Q that plays what a cookbook filter of `cookbook_q` plays.
double UnitQFromCookbookQ(double freq, double gain_db, double cookbook_q);
// The cookbook Q that plays what the unit's band of `unit_q` plays.
double CookbookQFromUnitQ(double freq, double gain_db, double unit_q);
// A cookbook bandwidth in octaves (between the half-gain points, digital form) as its Q.
double CookbookQFromBandwidth(double freq, double octaves);

// The unit's steps: whole hertz, and tenths of Q and gain, nearest (not truncated) within the
// unit's limits. On a step the value is the float nearest to it, which the encoding sends as
// shown.
int NearestFrequencyStep(double freq);
float NearestQStep(double q);
float NearestGainStep(double gain_db, double max_gain_db);
// The step a value stands for (Q or gain in tenths), as the encoding counts it.
int QStepOf(float q);
int GainStepOf(float gain_db);

struct EqBand;
// Enabled, with a gain the unit receives as other than 0 dB.
bool BandPlays(const EqBand& band);
// The unit would play the two alike (any two flat bands are alike).
bool SameOnTheWire(const EqBand& a, const EqBand& b);

}  // namespace tolva::model
