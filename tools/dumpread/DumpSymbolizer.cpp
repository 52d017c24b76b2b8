#include "DumpSymbolizer.h"

#include <QFile>
#include <QHash>
#include <QProcess>
#include <QSet>

#include <cctype>

namespace {

bool IsFixedAddressExecutable(const QString& path)
{
    // ELF e_type at byte 16: 2 is a non-relocatable executable, whose
    // addresses addr2line takes as they are.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray header = file.read(18);
    return header.size() == 18 &&
           header.startsWith("\x7f"
                             "ELF") &&
           header[16] == 2 && header[17] == 0;
}

} // namespace

std::optional<DumpSymbolizer> DumpSymbolizer::Load(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QString("cannot open %1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    DumpSymbolizer dump;
    const QString problem = dump.Parse(file.readAll());
    if (problem.isEmpty())
        return dump;
    *error = QString("%1: %2").arg(path, problem);
    return std::nullopt;
}

namespace {

const QByteArray kFirstLine = "CORVANE CRASH DUMP 1";
const QByteArrayList kRequiredKeys{"dump-id", "process", "requesting-thread", "dump-thread"};
const QByteArrayList kNumberKeys{"process",         "requesting-thread", "dump-thread",    "signal", "code",
                                 "crashing-thread", "assertion-type",    "assertion-line", "frames"};
const QByteArrayList kTextKeys{"dump-id", "address", "assertion-expression", "assertion-function", "assertion-file"};

bool IsNumber(const QByteArray& text)
{
    bool ok = false;
    text.toLongLong(&ok);
    return ok && !text.isEmpty() && text.trimmed() == text;
}

// "0x" and one to sixteen hexadecimal digits.
std::optional<quint64> Address(const QByteArray& text)
{
    if (!text.startsWith("0x") || text.size() < 3 || text.size() > 18)
        return std::nullopt;
    for (const char c : text.mid(2))
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return std::nullopt;
    return text.mid(2).toULongLong(nullptr, 16);
}

} // namespace

QString DumpSymbolizer::Parse(const QByteArray& content)
{
    // A dump ends in "end" and a line feed; anything short of that was cut off
    // while it was written or copied, and its frames cannot be trusted.
    if (content.isEmpty())
        return "empty file, not a crash dump";
    QList<QByteArray> lines = content.split('\n');
    if (!lines.first().startsWith("CORVANE CRASH DUMP"))
        return "not a crash dump (it does not begin with \"" + QString(kFirstLine) + "\")";
    if (lines.first() != kFirstLine)
        return QString("unknown crash dump version \"%1\"").arg(QString::fromUtf8(lines.first()));
    if (lines.size() < 3 || lines.last() != "" || lines[lines.size() - 2] != "end")
        return "truncated crash dump: it does not end with the line \"end\"";
    lines = lines.mid(1, lines.size() - 3);

    enum { Header, Frames, Maps } part = Header;
    QSet<QByteArray> keys;
    qlonglong framesExpected = -1;
    for (int i = 0; i < lines.size(); ++i) {
        const QByteArray& line = lines[i];
        const QString where = QString("malformed crash dump, line %1: ").arg(i + 2);
        if (line == "maps:") {
            if (part == Maps)
                return where + "a second \"maps:\"";
            part = Maps;
            continue;
        }
        if (part == Maps) {
            if (!AddMapping(line))
                return where + "not a line of the process maps";
            continue;
        }
        if (line.startsWith("pc ") || line.startsWith("ret ")) {
            const std::optional<quint64> address = Address(line.mid(line.indexOf(' ') + 1));
            if (framesExpected < 0)
                return where + "a frame before \"frames:\"";
            if (!address)
                return where + "a frame without a valid address";
            if (line.startsWith("pc ") && !m_frames.isEmpty())
                return where + "the program counter after other frames";
            Frame frame;
            frame.isReturnAddress = line.startsWith("ret ");
            frame.address = *address;
            m_frames.push_back(frame);
            part = Frames;
            continue;
        }
        if (part != Header)
            return where + "a header line after the frames";
        const int colon = line.indexOf(": ");
        const QByteArray key = colon > 0 ? line.left(colon) : QByteArray();
        const QByteArray value = colon > 0 ? line.mid(colon + 2) : QByteArray();
        if (!kNumberKeys.contains(key) && !kTextKeys.contains(key))
            return where + "not a line of a crash dump";
        if (keys.contains(key))
            return where + QString("\"%1\" given twice").arg(QString(key));
        keys.insert(key);
        // "signal: 11 SIGSEGV" carries the name after the number.
        const QByteArray number = key == "signal" ? value.left(value.indexOf(' ')) : value;
        if (kNumberKeys.contains(key) && !IsNumber(number))
            return where + QString("\"%1\" is not a number").arg(QString(key));
        if (key == "address" && !Address(value))
            return where + "the address is not hexadecimal";
        if (key == "frames") {
            framesExpected = value.toLongLong();
            if (framesExpected < 0 || framesExpected > 1000)
                return where + "an impossible number of frames";
        }
        m_header << QString::fromUtf8(line);
    }
    for (const QByteArray& key : kRequiredKeys)
        if (!keys.contains(key))
            return QString("malformed crash dump: no \"%1\" line").arg(QString(key));
    if (part != Maps)
        return "malformed crash dump: no process maps";
    if (framesExpected >= 0 && m_frames.size() != framesExpected)
        return QString("malformed crash dump: %1 frames announced, %2 present")
            .arg(framesExpected)
            .arg(m_frames.size());
    return QString();
}

bool DumpSymbolizer::AddMapping(const QByteArray& line)
{
    // "start-end perms offset dev inode [path]"; only mapped files are kept.
    const QList<QByteArray> fields = line.simplified().split(' ');
    if (fields.size() < 5)
        return false;
    const QList<QByteArray> range = fields[0].split('-');
    bool startOk = false, endOk = false, offsetOk = false, inodeOk = false;
    Mapping mapping;
    if (range.size() == 2) {
        mapping.start = range[0].toULongLong(&startOk, 16);
        mapping.end = range[1].toULongLong(&endOk, 16);
    }
    mapping.offset = fields[2].toULongLong(&offsetOk, 16);
    fields[4].toULongLong(&inodeOk, 10);
    if (!startOk || !endOk || !offsetOk || !inodeOk || mapping.end < mapping.start || fields[1].size() != 4)
        return false;
    if (fields.size() >= 6 && fields[5].startsWith('/')) {
        mapping.path = QString::fromUtf8(line.mid(line.indexOf(fields[5])));
        m_maps.push_back(mapping);
    }
    return true;
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
