#include <QApplication>
#include <QCommandLineParser>
#include <QLabel>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pocosa"));
    QApplication::setApplicationVersion(QStringLiteral("0.9.0.0"));
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addVersionOption();
    parser.process(app);
    QLabel label(QStringLiteral("00:00"));
    label.resize(120, 120);
    label.show();
    return app.exec();
}
