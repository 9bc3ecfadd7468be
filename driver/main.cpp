// Process entry of KESTOR+.
#include <csignal>
#include <cstdio>
#include <exception>
#include <memory>

#include "common/program_stop.h"
#include "common/tables.h"
#include "driver/interpreter.h"
#include "driver/program.h"
#include "driver/standard_streams.h"
#include "solver/work.h"

int main(int argc, char** argv) {
    if (!kestor::open_closed_standard_streams()) {
        std::fprintf(stderr, "KESTOR+: a closed standard stream cannot be replaced\n");
        return kestor::kUnexpectedExitStatus;
    }
    // A file-size limit (ulimit -f) then fails the write that passes it,
    // which the log and the writers report, instead of killing the process
    // with a log cut mid-line.
    std::signal(SIGXFSZ, SIG_IGN);
    try {
        auto interpreter = std::make_unique<kestor::Interpreter>();
        // The log is restarted before the large tables are allocated.
        const kestor::StartUp start(*interpreter, argc > 1 ? argv[1] : nullptr);
        if (start.status() != kestor::kExitSuccess) return start.status();
        auto tables = kestor::make_tables();
        auto work = kestor::make_solver_work();
        kestor::Program program{*tables, *work, *interpreter};
        return start.run(program);
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
