#include "ProcessRun.h"

#include <QProcess>

namespace pocosa::test {

ProcessRun runProcess(const QString& program, const QStringList& args, const ProcessOptions& options)
{
    QProcess p;
    if (!options.env.isEmpty())
        p.setProcessEnvironment(options.env);
    if (!options.outputFile.isEmpty())
        p.setStandardOutputFile(options.outputFile);
    p.start(program, args);
    ProcessRun run;
    if (!p.waitForStarted(options.timeoutMs)) {
        run.status = ProcessRun::kCrashed;
        run.err = QStringLiteral("did not start: ") + p.errorString();
        return run;
    }
    if (!options.input.isEmpty())
        p.write(options.input);
    p.closeWriteChannel();
    if (!p.waitForFinished(options.timeoutMs)) {
        p.kill();
        p.waitForFinished();
        run.err = QStringLiteral("did not end");
        return run;
    }
    run.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : ProcessRun::kCrashed;
    run.out = QString::fromUtf8(p.readAllStandardOutput());
    run.err = QString::fromUtf8(p.readAllStandardError());
    return run;
}

ProcessRun runToolIn(const char* language, const QString& program, const QStringList& args, const char* output)
{
    ProcessOptions options;
    options.env = QProcessEnvironment::systemEnvironment();
    options.env.insert(QStringLiteral("LANGUAGE"), QString::fromLatin1(language));
    options.outputFile = QString::fromUtf8(output);
    return runProcess(program, args, options);
}

} // namespace pocosa::test
