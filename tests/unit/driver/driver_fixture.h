// A program context for driver tests: zeroed tables, the interpreter with
// its labels set and a script held in memory, a log in a temporary
// directory, and a model of the solver in place of the real one.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "common/tables.h"
#include "driver/interpreter.h"
#include "driver/labels.h"
#include "solver/work.h"
#include "tests/support/lines.h"
#include "tests/support/scratch_dir.h"

namespace kestor::test {

// The solver model: mean energy = offset + scale * (E/N)^power eV with
// status 0, or fail_status for E/N at or above fail_from, below
// fail_below, or for a run listed in failing_runs. Every call is recorded.
struct SolverModel {
    double offset = 0.0;
    double scale = 0.1;
    double power = 1.0;
    double fail_from = INFINITY;
    double fail_below = -INFINITY;
    std::vector<int> failing_runs;
    double fail_status = kStatusFailed;
    double max_energy_factor = 10.0;  // maximum energy result = factor * mean energy
    std::vector<int> runs;            // run index of each call
    std::vector<double> fields;       // E/N of each call
    std::vector<double> grid_types;   // grid-type condition seen by each call
    std::vector<double> max_energies; // maximum-energy condition seen by each call

    static SolverModel& get() {
        static SolverModel m;
        return m;
    }
    static void reset() { get() = SolverModel(); }

    // Records a call for run irun with the conditions it sees.
    static void record(const Tables& t, int irun) {
        SolverModel& m = get();
        const double* row = t.run.run_conditions[irun];
        m.runs.push_back(irun);
        m.fields.push_back(row[kCondEN]);
        m.grid_types.push_back(row[kCondGridType]);
        m.max_energies.push_back(row[kCondMaxEnergy]);
    }

    static void solve(Tables& t, SolverWork&, int irun) {
        record(t, irun);
        SolverModel& m = get();
        const double* row = t.run.run_conditions[irun];
        double* res = t.run.run_results[irun];
        const double e = row[kCondEN];
        const double w = m.offset + m.scale * std::pow(e, m.power);
        bool fails = e >= m.fail_from || e < m.fail_below;
        for (int r : m.failing_runs) fails = fails || r == irun;
        res[kResMeanEnergy] = w;
        res[kResMaxEnergy] = m.max_energy_factor * w;
        res[kResStatus] = fails ? m.fail_status : static_cast<double>(kStatusSuccess);
    }
};

// The entry of the current values (C) and of the VAR list that holds the
// mole fraction of species s: the entries after the conditions.
constexpr int fraction_entry(int s) { return kNumConditions + s; }

class DriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        SolverModel::reset();
        ASSERT_FALSE(dir_.path().empty()) << "no scratch folder";
        setlabels(t);
        in.LOGFILE.assign(path("log.txt"));
        in.screen_echo = 0;
    }

    // The script lines that the commands read next.
    void script(std::vector<std::string> lines) { in.script.set_lines(std::move(lines)); }
    // A file in the test's scratch folder.
    std::string path(const std::string& name) const { return dir_.file(name); }
    std::string read_file(const std::string& name) const { return dir_.read(name); }
    // The log lines written so far.
    std::vector<std::string> log_lines() const {
        return test::split_lines(read_file("log.txt"));
    }
    void set_species(std::vector<std::string> names) {
        t.num.species_count = static_cast<int>(names.size());
        for (std::size_t s = 0; s < names.size(); ++s) t.sp.species_name[s + 1].assign(names[s]);
    }
    void set_var_list(std::vector<int> entries) {
        in.var_count = static_cast<int>(entries.size());
        for (std::size_t k = 0; k < entries.size(); ++k) in.IVAR[k + 1] = entries[k];
    }
    SolverModel& model() { return SolverModel::get(); }

    ZeroedPtr<Tables> tables_ = make_tables();
    ZeroedPtr<SolverWork> work_ = make_solver_work();
    std::unique_ptr<Interpreter> interp_ = std::make_unique<Interpreter>();
    Tables& t = *tables_;
    Interpreter& in = *interp_;
    Program p{*tables_, *work_, *interp_, &SolverModel::solve};

private:
    test::ScratchDir dir_{"kestor-driver"};
};

}  // namespace kestor::test
