// READCOLLISIONS through the real program: the log bytes of the species
// blocks, their echo on standard output and the ways the command ends.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <sstream>
#include <string>

#include "common/program_stop.h"
#include "tests/e2e/e2e_util.h"

namespace kestor::test {
namespace {

const std::string kLogFile = "kestorlog.txt";
const std::string kHead = "KESTOR+ script file: script.kes\n";
const std::string kFinished = CR + "FINISHED\n";

TEST(ReadCollisionsRun, LogsEachSpeciesWithReferenceAndCollisionNames) {
    TempDir dir;
    dir.copy_fixture("collisions/gas_ar.txt", "gas.txt");
    dir.copy_fixture("collisions/molecule_rot.txt", "mol.txt");
    const RunOutcome r = run_script(dir,
                                    "READCOLLISIONS\n"
                                    "gas.txt\n"
                                    "Ar Kr\n"
                                    "0\n"
                                    "READCOLLISIONS  the molecule\n"
                                    "mol.txt   ! rotations grouped\n"
                                    "N2\n"
                                    "0\n"
                                    "END\n");
    EXPECT_EQ(r.exit_status, 0);
    const std::string ref = "gas.txt\r\nHow to reference in publications: Test data written for the reader tests."
                            "\r\nSecond reference line.";
    const std::string names[] = {
        "C1    Ar    Elastic", "C2    Ar    Excitation    11.50 eV", "C3    Ar    Excitation    0.090 eV",
        "C4    Ar    Ionization    15.76 eV", "C5    N2    Elastic", "C6    N2    Rotation  (4)",
        "C7    N2    Vibration  (2)", "C8    N2    Excitation    6.17 eV",
    };
    std::string log = kHead + CR + "READCOLLISIONS\nAr\n" + ref + "\n";
    std::string out = CR + "READCOLLISIONS\n Ar\n" + ref + "\n";
    for (int k = 0; k < 4; ++k) {
        log += padded(names[k]) + "\n";
        out += " " + padded(names[k]) + "\n";
    }
    // The file holds no process for Kr: its block, then a line that says so.
    log += "Kr\ngas.txt\nNo collisions for Kr in gas.txt\n" + CR + "READCOLLISIONS\nN2\nmol.txt\n";
    out += " Kr\ngas.txt\nNo collisions for Kr in gas.txt\n" + CR + "READCOLLISIONS\n N2\nmol.txt\n";
    for (int k = 4; k < 8; ++k) {
        log += padded(names[k]) + "\n";
        out += " " + padded(names[k]) + "\n";
    }
    log += kFinished;
    out += kFinished;
    EXPECT_EQ(dir.read(kLogFile), log);
    EXPECT_EQ(r.out, out);
}

TEST(ReadCollisionsRun, WindowsLineEndsGiveTheSameLog) {
    TempDir dir;
    dir.copy_fixture("collisions/gas_ar.txt", "a.txt");
    dir.copy_fixture("collisions/gas_ar_crlf.txt", "b.txt");
    run_script(dir, "READCOLLISIONS\na.txt\nAr\n0\n");
    const std::string lf = dir.read(kLogFile);
    run_script(dir, "READCOLLISIONS\nb.txt\nAr\n0\n");
    std::string crlf = dir.read(kLogFile);
    ASSERT_NE(crlf.find("b.txt"), std::string::npos);
    crlf.replace(crlf.find("b.txt"), 5, "a.txt");
    EXPECT_EQ(crlf, lf);
}

TEST(ReadCollisionsRun, NoscreenKeepsTheBlockInTheLogOnly) {
    TempDir dir;
    dir.copy_fixture("collisions/reversible.txt", "rev.txt");
    const RunOutcome r = run_script(dir, "NOSCREEN\nREADCOLLISIONS\nrev.txt\nN2(A)\n0\n");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(dir.read(kLogFile), kHead + CR + "READCOLLISIONS\nN2(A)\nrev.txt\n" +
                                      padded("C1    N2(A)    De-excitation    6.17 eV") + "\n" + kFinished);
}

TEST(ReadCollisionsRun, FailuresEndThroughAbort) {
    struct Case {
        std::string what;
        std::string script;
        std::string log_tail;  // after the keyword line
    };
    const Case cases[] = {
        {"missing data file", "READCOLLISIONS\nnone.txt\nAr\n0\nEND\n",
         CR + "Cannot find file none.txt\n" + abort_line(2) + "\n"},
        {"data file that is a directory", "READCOLLISIONS\nsub\nAr\n0\nEND\n",
         CR + "Cannot find file sub\n" + abort_line(2) + "\n"},
        {"flag that is no integer", "READCOLLISIONS\ngas.txt\nAr\nx\nEND\n", abort_line(4) + "\n"},
        {"flag with a decimal point", "READCOLLISIONS\ngas.txt\nAr\n1.0\nEND\n", abort_line(4) + "\n"},
        {"no species line", "READCOLLISIONS\ngas.txt\n", abort_line(3) + "\n"},
        {"file name that runs into text", "READCOLLISIONS\n'gas.txt'x\nAr\n0\nEND\n", abort_line(2) + "\n"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        dir.copy_fixture("collisions/gas_ar.txt", "gas.txt");
        std::filesystem::create_directory(dir / "sub");
        const RunOutcome r = run_script(dir, c.script);
        EXPECT_EQ(r.exit_status, kAbortExitStatus) << c.what;
        EXPECT_EQ(dir.read(kLogFile), kHead + CR + "READCOLLISIONS\n" + c.log_tail) << c.what;
    }
}

TEST(ReadCollisionsRun, EndOfTheScriptInTheParameterLinesStops) {
    for (const std::string script : {"READCOLLISIONS\n", "READCOLLISIONS\ngas.txt\nAr\n", "READCOLLISIONS\n\n  \n"}) {
        TempDir dir;
        dir.copy_fixture("collisions/gas_ar.txt", "gas.txt");
        const RunOutcome r = run_script(dir, script);
        EXPECT_EQ(r.exit_status, kEndOfFileExitStatus) << script;
        EXPECT_NE(r.err.find("end-of-file during read"), std::string::npos) << script;
        EXPECT_EQ(dir.read(kLogFile), kHead + CR + "READCOLLISIONS\n") << script;
    }
}

TEST(ReadCollisionsRun, DataFileEndingAtAParameterLineStops) {
    TempDir dir;
    dir.write("cut.txt", "ELASTIC\nAr\n");
    const RunOutcome r = run_script(dir, "READCOLLISIONS\ncut.txt\nAr\n0\nEND\n");
    EXPECT_EQ(r.exit_status, kEndOfFileExitStatus);
    EXPECT_NE(r.err.find("cut.txt"), std::string::npos);
    EXPECT_EQ(dir.read(kLogFile), kHead + CR + "READCOLLISIONS\n");
}

TEST(ReadCollisionsRun, BadDataFilesLoadWhatTheyHold) {
    // Truncated table, a letter among the numbers and a negative cross
    // section: the species is still loaded and the script goes on.
    TempDir dir;
    dir.write("bad.txt",
              "EXCITATION\nAr\n x\n-----\n 1 0\n 2 1e-20\n 3 -1\n-----\n"
              "IONIZATION\nAr\n 15\n-----\n 15 0\n 2O 1e-20\n-----\n"
              "ELASTIC\nAr\n 1e-5\n-----\n 0 1e-20\n 5");
    const RunOutcome r = run_script(dir, "READCOLLISIONS\nbad.txt\nAr\n0\nEND\n");
    EXPECT_EQ(r.exit_status, 0);
    EXPECT_EQ(dir.read(kLogFile), kHead + CR + "READCOLLISIONS\nAr\nbad.txt\n" +
                                      padded("C1    Ar    Excitation    0.0000 eV") + "\n" +
                                      padded("C2    Ar    Ionization    15.00 eV") + "\n" +
                                      padded("C3    Ar    Elastic") + "\n" + kFinished);
}

TEST(ReadCollisionsRun, MultiSpeciesDatabaseFileLoadsAllItsSpecies) {
    const std::filesystem::path file =
        std::filesystem::path(KESTOR_SHARED_DATA) / "Phelps_multi-species_LXCat_2020-02-18.txt";
    if (!std::filesystem::exists(file)) GTEST_SKIP() << "no shared data file " << file;
    TempDir dir;
    const RunOutcome r = run_script(dir, "NOSCREEN\nREADCOLLISIONS\n'" + file.string() +
                                             "'\nAr CO CO2 H2 H2O He Mg N2 Na Ne NO O2 SF6\n0\nEND\n");
    EXPECT_EQ(r.exit_status, 0);
    const std::string log = dir.read(kLogFile);
    EXPECT_EQ(log.substr(log.size() - kFinished.size()), kFinished);
    int names = 0;
    int effective = 0;
    std::istringstream lines(log);
    for (std::string l; std::getline(lines, l);) {
        if (l.size() != 64 || l[0] != 'C' || !(std::isdigit(static_cast<unsigned char>(l[1])) || l[1] == '*'))
            continue;
        ++names;
        if (l.find("Effective (momentum)") != std::string::npos) ++effective;
    }
    EXPECT_EQ(names, 146);
    EXPECT_EQ(effective, 13);
    EXPECT_NE(log.find("C146  SF6    "), std::string::npos);
    for (const char* s : {"\nAr\n", "\nCO2\n", "\nH2O\n", "\nSF6\n", "\nO2\n"})
        EXPECT_NE(log.find(s), std::string::npos) << s;
}

}  // namespace
}  // namespace kestor::test
