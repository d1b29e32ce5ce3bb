#include "FendrelCtrl.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QResizeEvent>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace orvane {

/// The page of the hidden browser: nothing on it may reach the user.
class SilentPage final : public QWebEnginePage
{
public:
    SilentPage(QWebEngineProfile* profile, std::function<void()> navigating, QObject* parent)
        : QWebEnginePage(profile, parent), m_navigating(std::move(navigating))
    {}

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override
    {
        Q_UNUSED(url);
        Q_UNUSED(type);
        Q_UNUSED(isMainFrame);
        m_navigating();
        return true;
    }
    // Pop-ups get no window.
    QWebEnginePage* createWindow(WebWindowType) override { return nullptr; }
    void javaScriptAlert(const QUrl&, const QString&) override {}
    bool javaScriptConfirm(const QUrl&, const QString&) override { return false; }
    bool javaScriptPrompt(const QUrl&, const QString&, const QString&, QString*) override
    {
        return false;
    }
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int,
                                  const QString&) override
    {}

private:
    std::function<void()> m_navigating;
};

namespace {

// Reads the page in one piece; a page without a document gives null.
const QString kReadPage = QStringLiteral(R"JS((function () {
  var root = document.documentElement;
  if (!root) return null;
  var forms = [];
  for (var i = 0; i < document.forms.length; ++i) {
    var form = document.forms[i], fields = [];
    for (var j = 0; j < form.elements.length; ++j)
      fields.push(form.elements[j].name || "");
    forms.push({ name: form.getAttribute("name") || "", fields: fields });
  }
  return { url: String(location.href), html: root.innerHTML, forms: forms };
})())JS");

// Fills fields of one form by index and submits it as the form's own submit
// does, without running its onsubmit handler.
const QString kSubmit = QStringLiteral(R"JS((function (at, values) {
  var form = document.forms[at];
  if (!form) return false;
  for (var key in values) {
    var field = form.elements[Number(key)];
    if (field) field.value = values[key];
  }
  HTMLFormElement.prototype.submit.call(form);
  return true;
})(%1, %2))JS");

} // namespace

FendrelCtrl::FendrelCtrl(QWidget* parent) : QWidget(parent), IE(new QWebEngineView(this))
{
    setObjectName(QStringLiteral("FendrelCtrl"));
    setAccessibleName(QStringLiteral("FendrelCtrl"));
    IE->setObjectName(QStringLiteral("IE"));
    IE->setAccessibleName(QStringLiteral("IE"));
    // A profile of its own that keeps nothing on disk: no cookie or cache
    // passes from one check to the next.
    auto* profile = new QWebEngineProfile(IE);
    m_page = new SilentPage(
        profile, [this] { navigationRequested(); }, profile);
    m_page->settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    m_page->settings()->setAttribute(QWebEngineSettings::ErrorPageEnabled, true);
    IE->setPage(m_page);
    connect(m_page, &QWebEnginePage::loadStarted, this, [this] { m_loading = true; });
    connect(m_page, &QWebEnginePage::loadFinished, this, [this](bool) {
        m_loading = false;
        if (m_events)
            m_events->NavigateComplete();
    });
    IE->setGeometry(0, 0, width(), height());
}

FendrelCtrl::~FendrelCtrl()
{
    m_events = nullptr;
    // The page goes before its profile.
    IE->setPage(nullptr);
    delete m_page;
}

QObject* FendrelCtrl::Web()
{
    return IE;
}

bool FendrelCtrl::Navigate(const QString& address)
{
    const QUrl url = QUrl::fromUserInput(address);
    if (!url.isValid())
        return false;
    m_loading = true;
    IE->load(url);
    return true;
}

void FendrelCtrl::readPage(std::function<void(const WebPage&)> done)
{
    QPointer<FendrelCtrl> self(this);
    m_page->runJavaScript(kReadPage, [self, done = std::move(done)](const QVariant& result) {
        if (!self)
            return;
        WebPage page;
        const QJsonObject read = QJsonObject::fromVariantMap(result.toMap());
        if (!result.isNull() && read.contains(QLatin1String("html"))) {
            page.hasDocument = true;
            page.url = read.value(QLatin1String("url")).toString();
            page.html = read.value(QLatin1String("html")).toString();
            for (const auto& formValue : read.value(QLatin1String("forms")).toArray()) {
                const QJsonObject form = formValue.toObject();
                PageForm out{form.value(QLatin1String("name")).toString(), {}};
                for (const auto& field : form.value(QLatin1String("fields")).toArray())
                    out.fields << field.toString();
                page.forms << out;
            }
        } else {
            page.url = self->m_page->url().toString();
        }
        done(page);
    });
}

void FendrelCtrl::submitForm(qsizetype form, const FieldValues& values)
{
    QJsonObject fields;
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        fields.insert(QString::number(it.key()), it.value());
    const QString script = kSubmit.arg(form).arg(
        QString::fromUtf8(QJsonDocument(fields).toJson(QJsonDocument::Compact)));
    m_page->runJavaScript(script);
}

void FendrelCtrl::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    IE->setGeometry(0, 0, width(), height());
}

void FendrelCtrl::navigationRequested()
{
    if (m_events)
        m_events->BeforeNavigate();
}

} // namespace orvane
