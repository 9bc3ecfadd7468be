// The fixed set of runs of the bit-identity check: every solver path the
// program has (grid types, growth models, energy sharing, field frequency,
// Maxwellian runs, level populations, electron-electron and electron-ion
// terms, density-gradient sub-modes) on the synthetic gases, and two real
// data files where they are at hand. A case's name is its reference file's.
#pragma once

#include <string>
#include <vector>

#include "tests/support/run_cases.h"

namespace kestor::test {

inline std::vector<Case> bitcheck_cases() {
    std::vector<Case> v;
    const std::vector<double> series20 = en_series(1.0, 1000.0, 20);
    const std::vector<double> series6 = en_series(3.0, 600.0, 6);
    for (int n : {100, 200, 500, 1000}) {
        v.push_back({"small-series-" + std::to_string(n), Gas::kSmall, n, series20, {}});
    }
    v.push_back({"small-grid1", Gas::kSmall, 150, series6, [](double* c) {
                     c[kCondGridType] = kGridLinear;
                     c[kCondMaxEnergy] = 60;
                 }});
    v.push_back({"small-grid2", Gas::kSmall, 150, series6, [](double* c) {
                     c[kCondGridType] = kGridQuadratic;
                     c[kCondMaxEnergy] = 80;
                 }});
    v.push_back({"small-grid3", Gas::kSmall, 150, {30.0, 300.0}, [](double* c) {
                     c[kCondGridType] = kGridGivenThenEstimated;
                     c[kCondMaxEnergy] = 50;
                 }});
    v.push_back({"small-nogrowth-share2", Gas::kSmall, 200, series6, [](double* c) {
                     c[kCondGrowthModel] = kGrowthNone;
                     c[kCondEnergySharing] = kSharingSecondaryAtZero;
                 }});
    v.push_back({"small-spatial-share3", Gas::kSmall, 200, series6, [](double* c) {
                     c[kCondGrowthModel] = kGrowthSpatial;
                     c[kCondEnergySharing] = kSharingPrimaryOnly;
                 }});
    v.push_back({"small-frequency", Gas::kSmall, 200, series6, [](double* c) {
                     c[kCondFrequency] = 3e-14;
                     c[kCondCosEB] = 0.5;
                 }});
    v.push_back({"small-maxwellian", Gas::kSmall, 200, {10.0, 10.0}, [](double* c) { c[kCondMaxwellEnergy] = 3.0; }});
    v.push_back({"small-exctemp", Gas::kSmall, 200, series6, [](double* c) {
                     c[kCondExcTemp] = 5000;
                     c[kCondTransitionEnergy] = 0.1;
                 }});
    v.push_back({"small-ee", Gas::kSmall, 300, series6, [](double* c) {
                     c[kCondIonDegree] = 1e-4;
                     c[kCondPlasmaDensity] = 1e18;
                 }});
    v.push_back({"small-ee-momentum", Gas::kSmall, 300, series6, [](double* c) {
                     c[kCondIonDegree] = 1e-3;
                     c[kCondPlasmaDensity] = 1e18;
                     c[kCondEEMomentum] = kEEMomentumOn;
                 }});
    v.push_back({"small-ei-only", Gas::kSmall, 200, series6, [](double* c) {
                     c[kCondIonDegree] = 1e-5;
                     c[kCondIonCharge] = -1;
                     c[kCondPlasmaDensity] = -5;
                     c[kCondIonMassRatio] = 1;
                 }});
    for (int sub = 1; sub <= 3; ++sub) {
        v.push_back({"small-gradient-" + std::to_string(sub), Gas::kSmall, 250, series6,
                     [sub](double* c) { c[kCondGrowthModel] = gradient_growth_code(sub); }});
    }
    v.push_back({"small-gradient-1-n1000", Gas::kSmall, 1000, {50.0},
                 [](double* c) { c[kCondGrowthModel] = kGrowthGradientTemporal; }});
    v.push_back({"large-200", Gas::kLarge, 200, series6, {}});
    v.push_back({"large-1000", Gas::kLarge, 1000, {20.0, 200.0}, {}});
    v.push_back(
        {"large-spatial", Gas::kLarge, 300, series6, [](double* c) { c[kCondGrowthModel] = kGrowthSpatial; }});
    v.push_back({"large-ee", Gas::kLarge, 300, {5.0, 50.0}, [](double* c) {
                     c[kCondIonDegree] = 1e-5;
                     c[kCondPlasmaDensity] = 1e17;
                 }});
    v.push_back({"large-gradient-2", Gas::kLarge, 300, {10.0, 100.0},
                 [](double* c) { c[kCondGrowthModel] = kGrowthGradientSpatial; }});
    v.push_back({"real-n2", Gas::kRealN2, 400, series6, {}});
    v.push_back({"real-ar-ee", Gas::kRealAr, 300, series6, [](double* c) {
                     c[kCondIonDegree] = 1e-5;
                     c[kCondPlasmaDensity] = 1e17;
                 }});
    return v;
}

}  // namespace kestor::test
