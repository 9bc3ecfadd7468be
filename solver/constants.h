// Physical constants of the solver, with the values it computes with
// (several are single-precision numbers widened to double; the results
// depend on these exact values).
#pragma once

namespace kestor {

constexpr double kGamma = 593100.7389459227;        // electron speed per sqrt(energy in eV), m/s
constexpr double kGammaThird = 197700.24631530757;  // gamma / 3
constexpr double kGammaSixth = 98850.12315765378;   // gamma / 6
constexpr double kTwoGammaThird = 395400.49263061513;  // 2 gamma / 3
constexpr double kTwoOverSqrtPi = 1.1283791513955075;  // Maxwellian normalisation, single-precision pi
constexpr double kTwelvePi = 37.69911289215088;        // 12 pi of the Coulomb logarithm
constexpr double kElementaryCharge = 1.6021999911602857e-19;   // C
constexpr double kVacuumPermittivity = 8.854200359009745e-12;  // F/m
constexpr double kCoulombConstant = 7.727221346741363e-12;     // factor of the Coulomb logarithm
constexpr double kPositiveFloor = 1.0000000031710769e-30;      // single-precision 1e-30

}  // namespace kestor
