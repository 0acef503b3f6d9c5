#include "ui/PanelContext.h"

#include "ui/PanelPresenter.h"
#include "core/Version.h"
#include "settings/Color.h"
#include "settings/SettingsStore.h"
#include "ui/DisplayListModel.h"
#include "ui/ProgramControls.h"
#include "ui/SavedScenesModel.h"
#include "ui/SceneBarModel.h"
#include "ui/SettingsPropertyMap.h"

#include <QLoggingCategory>
#include <QMetaMethod>
#include <QQmlEngine>
#include <QStringList>
#include <QTextBoundaryFinder>

Q_DECLARE_LOGGING_CATEGORY(lcPanel)

namespace tavik {

namespace {

// Where attach() leaves the context on the engine for create() to find.
constexpr const char* kContextProperty = "_tavik_panelContext";
const QString kUnknownCondition = QStringLiteral("\u2014");
const QString kPlaceSeparator = QStringLiteral(" \u00B7 ");
const QString kDetailSeparator = QStringLiteral(", ");

} // namespace

PanelContext::PanelContext(SettingsStore& store, PanelPresenter& presenter, QObject* weather, QObject* parent)
    : PanelContext(store, presenter, weather, &Displays::connected, parent)
{
}

PanelContext::PanelContext(SettingsStore& store, PanelPresenter& presenter, QObject* weather, DisplaySource displays,
                           QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_presenter(presenter)
    , m_weather(weather)
    , m_settings(new SettingsPropertyMap(store, this))
    , m_sceneBar(new SceneBarModel(store, this))
    , m_savedScenes(new SavedScenesModel(store, this))
    , m_displays(new DisplayListModel(store, std::move(displays), this))
    , m_program(new ProgramControls(this))
    , m_desktopLevelNote(desktopLevelUnavailableReason(currentSessionKind()))
{
    followWeather();
}

PanelContext::~PanelContext() = default;

void PanelContext::attach(QQmlEngine& engine, PanelContext& context)
{
    // The engine must never delete the context it was handed as a singleton.
    QJSEngine::setObjectOwnership(&context, QJSEngine::CppOwnership);
    engine.setProperty(kContextProperty, QVariant::fromValue<QObject*>(&context));
}

PanelContext* PanelContext::create(QQmlEngine* engine, QJSEngine*)
{
    auto* context = engine ? qobject_cast<PanelContext*>(engine->property(kContextProperty).value<QObject*>()) : nullptr;
    if (!context)
        qCWarning(lcPanel) << "the panel's QML was loaded by an engine without a panel context";
    return context;
}

QObject* PanelContext::settingsObject() const
{
    return m_settings;
}

QObject* PanelContext::presenterObject() const
{
    return &m_presenter;
}

QString PanelContext::version()
{
    return QString::fromLatin1(kVersion);
}

// The service is only known as an object with texts and a change signal, so the panel does not
// depend on how live weather is built.
void PanelContext::followWeather()
{
    if (m_weather) {
        const QMetaObject* meta = m_weather->metaObject();
        const int signal = meta->indexOfSignal("textsChanged()");
        const int slot = metaObject()->indexOfMethod("updateWeatherLine()");
        if (signal >= 0 && slot >= 0)
            connect(m_weather, meta->method(signal), this, metaObject()->method(slot));
        connect(m_weather, &QObject::destroyed, this, &PanelContext::updateWeatherLine);
    }
    updateWeatherLine();
}

void PanelContext::updateWeatherLine()
{
    QString line;
    if (m_weather) {
        line = weatherLineFor(m_weather->property("locationName").toString(),
                              m_weather->property("temperatureText").toString(),
                              m_weather->property("conditionText").toString());
    }
    if (line == m_weatherLine)
        return;
    m_weatherLine = line;
    emit weatherLineChanged();
}

void PanelContext::setNeedsCompositor(bool needs)
{
    const QString notice = needs ? QStringLiteral("No compositor is running, so the scene stays hidden: without one "
                                                  "it would black out the screen. It shows once a compositor starts.")
                                 : QString();
    if (notice == m_overlayNotice)
        return;
    m_overlayNotice = notice;
    emit overlayNoticeChanged();
}

void PanelContext::setSessionKind(SessionKind kind)
{
    const QString note = desktopLevelUnavailableReason(kind);
    if (note == m_desktopLevelNote)
        return;
    m_desktopLevelNote = note;
    emit desktopLevelNoteChanged();
}

QString PanelContext::weatherLineFor(const QString& locationName, const QString& temperatureText,
                                     const QString& conditionText)
{
    QStringList place;
    if (!locationName.isEmpty())
        place << locationName;
    QStringList details;
    if (!temperatureText.isEmpty())
        details << temperatureText;
    if (!conditionText.isEmpty() && conditionText != kUnknownCondition)
        details << conditionText;
    if (!details.isEmpty())
        place << details.join(kDetailSeparator);
    return place.join(kPlaceSeparator);
}

namespace {

constexpr double kNoSettingMinimum = 0;
constexpr double kNoSettingMaximum = 100;

const SettingInfo* numberSetting(const QString& property)
{
    const QByteArray name = property.toLatin1();
    for (const SettingInfo& info : settingsTable()) {
        if (info.type == SettingType::Double &&
            info.property == std::string_view(name.constData(), std::size_t(name.size())))
            return &info;
    }
    return nullptr;
}

} // namespace

double PanelContext::minimumOf(const QString& property)
{
    const SettingInfo* info = numberSetting(property);
    return info ? info->minimum : kNoSettingMinimum;
}

double PanelContext::maximumOf(const QString& property)
{
    const SettingInfo* info = numberSetting(property);
    return info ? info->maximum : kNoSettingMaximum;
}

QColor PanelContext::colorOf(const QString& hex)
{
    return colorFromHex(hex).value_or(QColor(Qt::white));
}

QString PanelContext::hexOf(const QColor& color)
{
    return hexString(color);
}

QString PanelContext::lastCharacter(const QString& text)
{
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    graphemes.toEnd();
    const qsizetype lastStart = graphemes.toPreviousBoundary();
    if (lastStart <= 0)
        return text;
    return text.mid(lastStart);
}

void PanelContext::resetAllToDefaults()
{
    m_store.resetAllToDefaults();
}

void PanelContext::refreshWeather()
{
    if (m_weather)
        QMetaObject::invokeMethod(m_weather, "refreshNow");
}

} // namespace tavik
