#include "DumpSymbolizer.h"

#include <QFile>
#include <QHash>
#include <QProcess>

namespace {

bool IsFixedAddressExecutable(const QString& path)
{
    // ELF e_type at byte 16: 2 is a non-relocatable executable, whose
    // addresses addr2line takes as they are.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray header = file.read(18);
    return header.size() == 18 && header.startsWith("\x7f" "ELF") && header[16] == 2 && header[17] == 0;
}

} // namespace

std::optional<DumpSymbolizer> DumpSymbolizer::Load(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QString("cannot open %1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    const QList<QByteArray> lines = file.readAll().split('\n');
    if (lines.isEmpty() || !lines.first().startsWith("CORVANE CRASH DUMP")) {
        *error = QString("%1 is not a crash dump").arg(path);
        return std::nullopt;
    }

    DumpSymbolizer dump;
    bool inMaps = false;
    for (const QByteArray& line : lines) {
        if (line == "end")
            break;
        if (inMaps) {
            // "start-end perms offset dev inode path"
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (fields.size() < 6 || !fields[5].startsWith('/'))
                continue;
            const QList<QByteArray> range = fields[0].split('-');
            if (range.size() != 2)
                continue;
            Mapping mapping;
            mapping.start = range[0].toULongLong(nullptr, 16);
            mapping.end = range[1].toULongLong(nullptr, 16);
            mapping.offset = fields[2].toULongLong(nullptr, 16);
            mapping.path = QString::fromUtf8(line.mid(line.indexOf(fields[5])));
            dump.m_maps.push_back(mapping);
        } else if (line == "maps:") {
            inMaps = true;
        } else if (line.startsWith("pc ") || line.startsWith("ret ")) {
            Frame frame;
            frame.isReturnAddress = line.startsWith("ret ");
            frame.address = line.mid(line.indexOf(' ') + 1).toULongLong(nullptr, 16);
            dump.m_frames.push_back(frame);
        } else if (!line.isEmpty()) {
            dump.m_header << QString::fromUtf8(line);
        }
    }
    return dump;
}

const DumpSymbolizer::Mapping* DumpSymbolizer::MappingFor(quint64 address) const
{
    for (const Mapping& mapping : m_maps) {
        if (address >= mapping.start && address < mapping.end)
            return &mapping;
    }
    return nullptr;
}

QVector<DumpSymbolizer::Frame> DumpSymbolizer::SymbolizedFrames() const
{
    QVector<Frame> frames = m_frames;

    // One addr2line run per module, all of its addresses at once.
    QHash<QString, QVector<int>> framesByModule;
    QHash<QString, QStringList> addressesByModule;
    for (int i = 0; i < frames.size(); ++i) {
        const Mapping* mapping = MappingFor(frames[i].address);
        if (!mapping)
            continue;
        frames[i].module = mapping->path;
        quint64 lookup = frames[i].address - (frames[i].isReturnAddress ? 1 : 0);
        if (!IsFixedAddressExecutable(mapping->path))
            lookup = lookup - mapping->start + mapping->offset;
        framesByModule[mapping->path] << i;
        addressesByModule[mapping->path] << QString::number(lookup, 16).prepend("0x");
    }

    for (auto it = addressesByModule.cbegin(); it != addressesByModule.cend(); ++it) {
        QProcess addr2line;
        addr2line.start("addr2line", QStringList{"-f", "-C", "-e", it.key()} + it.value());
        if (!addr2line.waitForFinished(30000))
            continue;
        const QStringList answer = QString::fromUtf8(addr2line.readAllStandardOutput()).split('\n');
        const QVector<int>& indexes = framesByModule[it.key()];
        for (int k = 0; k < indexes.size() && 2 * k + 1 < answer.size(); ++k) {
            frames[indexes[k]].function = answer[2 * k];
            frames[indexes[k]].location = answer[2 * k + 1];
        }
    }
    return frames;
}
