#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace pocosa::test {

// What a finished program left: its exit status and both output streams as
// UTF-8 text.
struct ProcessRun {
    // A program that crashed, could not start or did not end in time (it is
    // killed then) has no exit code of its own.
    static constexpr int kCrashed = -2;
    static constexpr int kNotEnded = -1;

    int status = kNotEnded;
    QString out;
    QString err;
};

struct ProcessOptions {
    // Empty: the test process's own environment.
    QProcessEnvironment env;
    // Written to the program's standard input, which is closed afterwards.
    QByteArray input;
    // Standard output goes to this file (e.g. /dev/full) instead of out.
    QString outputFile;
    int timeoutMs = 30000;
};

// Runs program with args to its end; "did not end" or "did not start" with
// the reason lands in err when there is no exit status.
ProcessRun runProcess(const QString& program, const QStringList& args, const ProcessOptions& options = {});

// Runs a command-line tool in the test's environment with LANGUAGE set to
// language, its standard output to output when given (e.g. "/dev/full").
ProcessRun runToolIn(const char* language, const QString& program, const QStringList& args,
                     const char* output = nullptr);

} // namespace pocosa::test
