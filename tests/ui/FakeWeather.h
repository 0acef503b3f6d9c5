#pragma once

#include <QObject>
#include <QString>

#include <functional>

namespace tavik {

// Stands in for the live-weather service: the same texts, change signal and refresh call.
class FakeWeather : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString locationName MEMBER m_location NOTIFY textsChanged)
    Q_PROPERTY(QString conditionText MEMBER m_condition NOTIFY textsChanged)
    Q_PROPERTY(QString temperatureText MEMBER m_temperature NOTIFY textsChanged)

public:
    std::function<void()> onRefresh;

    // The texts a lookup would publish; QML tests call it as `Panel.weather.publish(...)`.
    Q_INVOKABLE void publish(const QString& location, const QString& temperature, const QString& condition)
    {
        m_location = location;
        m_temperature = temperature;
        m_condition = condition;
        emit textsChanged();
    }
    Q_INVOKABLE void refreshNow()
    {
        if (onRefresh)
            onRefresh();
    }

signals:
    void textsChanged();

private:
    QString m_location;
    QString m_condition;
    QString m_temperature;
};

} // namespace tavik
