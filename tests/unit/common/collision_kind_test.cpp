// What each collision kind does with the colliding electron, as the solver
// asks it.
#include <gtest/gtest.h>

#include "common/tables.h"

namespace kestor {
namespace {

struct KindCase {
    int kind;
    bool carries_off, destination, inverse, inelastic;
};

const KindCase kKindCases[] = {
    {kElastic, false, false, false, false},
    {kAttachment, true, false, false, true},
    {kIonization, false, true, false, true},
    {kExcitation, false, true, true, true},
    {kDeexcitation, false, true, true, true},
    {kRotation, false, true, true, true},
    {kVibration, false, true, true, true},
};

TEST(CollisionKind, WhatAProcessDoesWithTheElectron) {
    for (const KindCase& c : kKindCases) {
        EXPECT_EQ(carries_electrons_off(c.kind), c.carries_off) << c.kind;
        EXPECT_EQ(has_destination_cell(c.kind), c.destination) << c.kind;
        EXPECT_EQ(has_inverse(c.kind), c.inverse) << c.kind;
        EXPECT_EQ(is_inelastic(c.kind), c.inelastic) << c.kind;
    }
}

}  // namespace
}  // namespace kestor
