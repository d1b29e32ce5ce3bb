#include "FendrelCtrl.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QResizeEvent>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace orvane {

/// The page of the hidden browser: nothing on it may reach the user.
class SilentPage final : public QWebEnginePage
{
public:
    SilentPage(QWebEngineProfile* profile, std::function<void(const QUrl&, bool)> navigating,
               QObject* parent)
        : QWebEnginePage(profile, parent), m_navigating(std::move(navigating))
    {}

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override
    {
        Q_UNUSED(type);
        m_navigating(url, isMainFrame);
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
    std::function<void(const QUrl&, bool)> m_navigating;
};

namespace {

// The helper scripts run in a script world of their own, so nothing the page
// defines (a replaced submit, a patched prototype) is seen or called. A form
// lets its fields shadow its own properties ("elements", "submit",
// "getAttribute"), so those are taken from the prototypes.
const QString kFormHelpers = QStringLiteral(R"JS(
  var fieldsOf = Object.getOwnPropertyDescriptor(HTMLFormElement.prototype, "elements").get;
  var formName = function (form) {
    return Element.prototype.getAttribute.call(form, "name") || "";
  };
)JS");

// Reads the page in one piece; a page without a document gives null.
const QString kReadPage = QStringLiteral(R"JS((function () {%1
  var root = document.documentElement;
  if (!root) return null;
  var forms = [];
  for (var i = 0; i < document.forms.length; ++i) {
    var form = document.forms[i], elements = fieldsOf.call(form), fields = [];
    for (var j = 0; j < elements.length; ++j)
      fields.push(elements[j].name || "");
    forms.push({ name: formName(form), fields: fields });
  }
  return { url: String(location.href), html: root.innerHTML, forms: forms };
})())JS")
                              .arg(kFormHelpers);

// Fills fields of one form by index and submits it as the form's own submit
// does, without running its onsubmit handler; only on the page and the form
// the values were meant for.
const QString kSubmit = QStringLiteral(R"JS((function (address, at, name, values) {%1
  if (String(location.href) !== address) return false;
  var form = document.forms[at];
  if (!form || formName(form) !== name) return false;
  var elements = fieldsOf.call(form);
  for (var key in values) {
    var field = elements[Number(key)];
    if (field) field.value = values[key];
  }
  HTMLFormElement.prototype.submit.call(form);
  return true;
}).apply(null, %2))JS")
                            .arg(kFormHelpers);

} // namespace

FendrelCtrl::FendrelCtrl(QWebEngineProfile* profile, QWidget* parent)
    : QWidget(parent), IE(new QWebEngineView(this))
{
    setObjectName(QStringLiteral("FendrelCtrl"));
    setAccessibleName(QStringLiteral("FendrelCtrl"));
    IE->setObjectName(QStringLiteral("IE"));
    IE->setAccessibleName(QStringLiteral("IE"));
    m_page = new SilentPage(
        profile, [this](const QUrl& url, bool mainFrame) { navigationRequested(url, mainFrame); },
        this);
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
    m_page->runJavaScript(kReadPage, QWebEngineScript::ApplicationWorld,
                          [self, done = std::move(done)](const QVariant& result) {
                              if (self)
                                  done(self->pageFrom(result));
                          });
}

WebPage FendrelCtrl::pageFrom(const QVariant& result) const
{
    WebPage page;
    const QJsonObject read = QJsonObject::fromVariantMap(result.toMap());
    if (result.isNull() || !read.contains(QLatin1String("html"))) {
        page.url = m_page->url().toString();
        return page;
    }
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
    return page;
}

void FendrelCtrl::submitForm(const QString& address, qsizetype form, const QString& formName,
                             const FieldValues& values, std::function<void(bool)> done)
{
    QJsonObject fields;
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        fields.insert(QString::number(it.key()), it.value());
    const QJsonArray arguments{address, qint64(form), formName, fields};
    const QString script =
        kSubmit.arg(QString::fromUtf8(QJsonDocument(arguments).toJson(QJsonDocument::Compact)));
    QPointer<FendrelCtrl> self(this);
    m_page->runJavaScript(script, QWebEngineScript::ApplicationWorld,
                          [self, done = std::move(done)](const QVariant& filled) {
                              if (self)
                                  done(filled.toBool());
                          });
}

void FendrelCtrl::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    IE->setGeometry(0, 0, width(), height());
}

void FendrelCtrl::navigationRequested(const QUrl& url, bool mainFrame)
{
    if (!url.host().isEmpty())
        Q_EMIT hostVisited(url.host());
    if (m_events)
        m_events->BeforeNavigate();
    if (mainFrame)
        return;
    // The engine reports the end of the top page's load only, and that load
    // already waits for the frames the page had when it loaded. A frame that
    // a script adds later (an advertisement, a consent banner) would leave
    // its start without an end, and the driver would wait for it for ever:
    // the checkers read only the top document, so a frame counts as done
    // once its navigation is under way.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_events)
                m_events->NavigateComplete();
        },
        Qt::QueuedConnection);
}

} // namespace orvane
