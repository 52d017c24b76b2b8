#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>

// Reads a crash dump written by CrashDumpHandler and names its frames:
// each address is mapped to its module through the dump's copy of the
// process maps and handed to addr2line.
class DumpSymbolizer
{
public:
    struct Frame
    {
        quint64 address = 0;
        bool isReturnAddress = false; // a call's return address: look up the call itself
        QString module;
        QString function;
        QString location;
    };

    // Parses the dump; nullopt and a reason when it is not one, or is cut
    // short or malformed: no frame of such a file is shown.
    static std::optional<DumpSymbolizer> Load(const QString& path, QString* error);

    QStringList HeaderLines() const { return m_header; }
    QVector<Frame> SymbolizedFrames() const;

private:
    struct Mapping
    {
        quint64 start = 0;
        quint64 end = 0;
        quint64 offset = 0;
        QString path;
    };

    // Empty when the content is a whole, well-formed dump; else what is wrong.
    QString Parse(const QByteArray& content);
    bool AddMapping(const QByteArray& line);
    const Mapping* MappingFor(quint64 address) const;

    QStringList m_header;
    QVector<Frame> m_frames;
    QVector<Mapping> m_maps;
};
