// The files of tests/fixtures/ (KESTOR_FIXTURES), by their path below it.
#pragma once

#include <filesystem>
#include <string>

namespace kestor::test {

inline std::string fixture_path(const std::string& relative) {
    return (std::filesystem::path(KESTOR_FIXTURES) / relative).string();
}

// A data file of the reader tests, in tests/fixtures/collisions/.
inline std::string collision_fixture(const std::string& name) { return fixture_path("collisions/" + name); }

}  // namespace kestor::test
