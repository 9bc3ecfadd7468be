// Process entry of KESTOR+.
#include <csignal>
#include <cstdio>
#include <exception>
#include <memory>

#include "common/program_stop.h"
#include "common/tables.h"
#include "driver/interpreter.h"
#include "driver/program.h"
#include "solver/work.h"

int main(int argc, char** argv) {
    // A file-size limit (ulimit -f) then fails the write that passes it,
    // which the log and the writers report, instead of killing the process
    // with a log cut mid-line.
    std::signal(SIGXFSZ, SIG_IGN);
    try {
        auto tables = kestor::make_tables();
        auto work = kestor::make_solver_work();
        auto interpreter = std::make_unique<kestor::Interpreter>();
        kestor::Program program{*tables, *work, *interpreter};
        return kestor::vadovararav(program, argc > 1 ? argv[1] : nullptr);
    } catch (const kestor::ProgramStop& stop) {
        std::fflush(stdout);
        std::fprintf(stderr, "%s\n", stop.message.c_str());
        return stop.exit_status;
    } catch (const std::exception& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "KESTOR+: %s\n", e.what());
        return kestor::kUnexpectedExitStatus;
    }
}
