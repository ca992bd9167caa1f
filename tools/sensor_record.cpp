// Records this machine's sensors, as the agent sees them (the applesmc driver where this process
// may use it, else the hwmon bridge), into a recorded table: one line per key with its type and
// value bytes. Attach the file to a bug report; the agent replays it with
//
//   VANTOR_SENSOR_TABLE=machine.table VantorAgent
//
// Usage: sensor_record [output.table] [--sys /sys]     (no output: standard output)

#include "Platform/Sensors/RecordedSMCTransport.h"
#include "Platform/Sensors/SensorTransports.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QTextStream>
#include <QtEndian>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QString output;
    QString sysRoot = QStringLiteral("/sys");
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--sys") && i + 1 < args.size())
            sysRoot = args[++i];
        else
            output = args[i];
    }

    // The live sensors only: a table named in the environment is what is being replaced.
    const SensorTransports::Opened opened = SensorTransports::open(sysRoot);
    if (!opened.transport) {
        QTextStream(stderr) << "sensor_record: this machine shows no sensors (no applesmc, no hwmon)\n";
        return 1;
    }
    SMCTransport& transport = *opened.transport;

    SMCKeyData input;
    SMCKeyData result;
    input.key = SMCKeyData::code("#KEY");
    input.data8 = SMCKeyData::keyInfoCommand;
    quint32 count = 0;
    if (transport.call(input, result) == SMCTransport::success && result.keyInfo.dataSize >= 4) {
        input.keyInfo = result.keyInfo;
        input.data8 = SMCKeyData::readBytesCommand;
        result = {};
        if (transport.call(input, result) == SMCTransport::success)
            count = qFromBigEndian<quint32>(result.bytes);
    }

    QByteArray table = "// recorded by sensor_record from " + QByteArray(SensorTransports::name(opened.kind)) + " on "
        + QDateTime::currentDateTimeUtc().toString(Qt::ISODate).toUtf8() + '\n';
    int recorded = 0;
    for (quint32 index = 0; index < count && index < 19999; ++index) {
        input = {};
        result = {};
        input.data8 = SMCKeyData::keyAtIndexCommand;
        input.data32 = index;
        if (transport.call(input, result) != SMCTransport::success)
            continue;
        const quint32 key = result.key;
        input = {};
        result = {};
        input.key = key;
        input.data8 = SMCKeyData::keyInfoCommand;
        if (transport.call(input, result) != SMCTransport::success)
            continue;
        const SMCKeyData::KeyInfo info = result.keyInfo;
        QByteArray bytes;
        if (info.dataSize >= 1 && info.dataSize <= SMCKeyData::maximumDataSize) {
            input.keyInfo = info;
            input.data8 = SMCKeyData::readBytesCommand;
            result = {};
            if (transport.call(input, result) != SMCTransport::success)
                continue;
            bytes = QByteArray(reinterpret_cast<const char*>(result.bytes), qsizetype(info.dataSize));
        } else {
            // A size no read can fetch is kept as such, so the replay refuses it just the same.
            bytes = QByteArray(qsizetype(std::min<quint32>(info.dataSize, 255)), '\0');
        }
        table += RecordedSMCTransport::line(key, info.dataType, bytes) + '\n';
        ++recorded;
    }

    if (output.isEmpty()) {
        QFile out;
        if (!out.open(stdout, QIODevice::WriteOnly))
            return 1;
        out.write(table);
    } else {
        QFile out(output);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            QTextStream(stderr) << "sensor_record: cannot write " << output << ": " << out.errorString() << "\n";
            return 1;
        }
        out.write(table);
    }
    QTextStream(stderr) << "sensor_record: " << recorded << " keys from " << SensorTransports::name(opened.kind)
                        << "\n";
    return 0;
}
