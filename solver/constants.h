// Physical constants and limits of the solver, with the values it computes
// with (several are single-precision numbers widened to double; the results
// depend on these exact values).
#pragma once

namespace kestor {

constexpr double kGamma = 593100.7389459227;        // electron speed per sqrt(energy in eV), m/s
constexpr double kGammaThird = 197700.24631530757;  // gamma / 3
constexpr double kGammaSixth = 98850.12315765378;   // gamma / 6
constexpr double kTwoGammaThird = 395400.49263061513;  // 2 gamma / 3
constexpr double kPi = 3.1415927410125732;             // single-precision pi
constexpr double kTwoOverSqrtPi = 1.1283791513955075;  // Maxwellian normalisation, single-precision pi
constexpr double kTwelvePi = 37.69911289215088;        // 12 pi of the Coulomb logarithm
constexpr double kElementaryCharge = 1.6021999911602857e-19;   // C
constexpr double kVacuumPermittivity = 8.854200359009745e-12;  // F/m
constexpr double kCoulombConstant = 7.727221346741363e-12;     // factor of the Coulomb logarithm
constexpr double kBoltzmann = 1.3807000128307309e-23;          // J/K
constexpr double kChargeOverMass = 175884243269.09976;         // e/m = gamma^2/2, C/kg
constexpr double kTwoThirdsChargeOverMass = 117256162179.39984;  // 2 e / 3 m
constexpr double kTwoMassOverCharge = 1.1371115245042363e-11;    // 2 m / e
constexpr double kTownsend = 9.999999682655225e-22;            // V m2 per Td (single-precision 1e-21)
constexpr double kTdPerVm2 = 1.0000000200408773e+21;           // Td per V m2 (single-precision 1e21)
// Single-precision 1e-30: the floor of F (a value of the distribution
// below it counts as empty) and the net growth rate (m3/s) at or below
// which the electron number counts as constant.
constexpr double kTiny = 1.0000000031710769e-30;
// Largest EPSC G of a cell with the exponential shape exp(-G (eps - EPSC)):
// steeper cells take the flat shape, whose integrals cannot overflow.
constexpr double kMaxShapeExponent = 300.0;

}  // namespace kestor
