// A program context for driver tests: zeroed tables, the interpreter with
// its labels set and a script held in memory, a log in a temporary
// directory, and a model of the solver in place of the real one.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "common/tables.h"
#include "driver/interpreter.h"
#include "driver/labels.h"
#include "solver/work.h"

namespace kestor::testing {

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
    double fail_status = 1.0;
    double max_energy_factor = 10.0;  // result 27 = factor * mean energy
    std::vector<int> runs;            // run index of each call
    std::vector<double> fields;       // E/N of each call
    std::vector<double> grid_types;   // condition 16 seen by each call
    std::vector<double> max_energies; // condition 17 seen by each call

    static SolverModel& get() {
        static SolverModel m;
        return m;
    }
    static void reset() { get() = SolverModel(); }

    static void solve(Tables& t, SolverWork&, int irun) {
        SolverModel& m = get();
        double* row = t.run.run_conditions[irun];
        m.runs.push_back(irun);
        m.fields.push_back(row[kCondEN]);
        m.grid_types.push_back(row[kCondGridType]);
        m.max_energies.push_back(row[kCondMaxEnergy]);
        double* res = t.run.run_results[irun];
        const double e = row[kCondEN];
        const double w = m.offset + m.scale * std::pow(e, m.power);
        bool fails = e >= m.fail_from || e < m.fail_below;
        for (int r : m.failing_runs) fails = fails || r == irun;
        res[1] = w;
        res[27] = m.max_energy_factor * w;
        res[30] = fails ? m.fail_status : 0.0;
    }
};

class DriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        SolverModel::reset();
        std::string tmpl = (std::filesystem::temp_directory_path() / "kestor-driver-XXXXXX").string();
        std::vector<char> buf(tmpl.begin(), tmpl.end());
        buf.push_back('\0');
        ASSERT_NE(mkdtemp(buf.data()), nullptr);
        dir_ = buf.data();
        setlabels(t);
        in.LOGFILE.assign((dir_ / "log.txt").string());
        in.screen_echo = 0;
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    // The script lines that the commands read next.
    void script(std::vector<std::string> lines) { in.script.set_lines(std::move(lines)); }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    std::string read_file(const std::string& name) const {
        std::ifstream f(dir_ / name, std::ios::binary);
        std::stringstream ss;
        ss << f.rdbuf();
        return ss.str();
    }
    // The log lines written so far.
    std::vector<std::string> log_lines() const {
        std::vector<std::string> lines;
        std::istringstream s(read_file("log.txt"));
        for (std::string l; std::getline(s, l);) lines.push_back(l);
        return lines;
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
    std::filesystem::path dir_;
};

}  // namespace kestor::testing
