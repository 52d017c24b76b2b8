// dumpread: prints a Corvane crash dump with its frames named.
//   dumpread <file.dmp>
#include "DumpSymbolizer.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (app.arguments().size() != 2) {
        err << "usage: dumpread <file.dmp>\n";
        return 2;
    }
    QString error;
    const auto dump = DumpSymbolizer::Load(app.arguments().at(1), &error);
    if (!dump) {
        err << error << "\n";
        return 1;
    }
    for (const QString& line : dump->HeaderLines())
        out << line << "\n";
    const auto frames = dump->SymbolizedFrames();
    for (int i = 0; i < frames.size(); ++i) {
        const auto& frame = frames[i];
        out << QString("#%1 0x%2 in %3 at %4 (%5)\n")
                   .arg(i, -2)
                   .arg(frame.address, 16, 16, QChar('0'))
                   .arg(frame.function.isEmpty() ? "??" : frame.function)
                   .arg(frame.location.isEmpty() ? "??" : frame.location)
                   .arg(frame.module.isEmpty() ? "?" : frame.module);
    }
    return 0;
}
