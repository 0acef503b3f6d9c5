// A private bus daemon, and the fake services (FakeServices.cpp) driven through their input.
#pragma once

#include <QProcess>
#include <QTest>

namespace tavik::test {

constexpr int kBusWaitMs = 10'000;

struct Bus {
    Bus()
    {
        daemon.start(QStringLiteral("dbus-daemon"), {"--session", "--print-address", "--nofork"});
        if (daemon.waitForReadyRead(kBusWaitMs))
            address = QString::fromUtf8(daemon.readLine()).trimmed();
    }
    ~Bus()
    {
        daemon.kill();
        daemon.waitForFinished();
    }

    QProcess daemon;
    QString address;
};

class Fake {
public:
    ~Fake()
    {
        m_process.kill();
        m_process.waitForFinished();
    }
    bool start(const QStringList& arguments)
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral(TAVIK_FAKE_SERVICES), arguments);
        return waitFor(QStringLiteral("ready"));
    }
    bool send(const QByteArray& command)
    {
        m_process.write(command + '\n');
        return waitFor(QStringLiteral("ok"), ++m_sent);
    }
    // Until the fake has printed the line `count` times.
    bool waitFor(const QString& line, qsizetype count = 1)
    {
        return QTest::qWaitFor([&] {
            m_output += QString::fromUtf8(m_process.readAllStandardOutput());
            return m_output.split(u'\n').count(line) >= count;
        }, kBusWaitMs);
    }

private:
    QProcess m_process;
    QString m_output;
    qsizetype m_sent = 0;
};

} // namespace tavik::test
