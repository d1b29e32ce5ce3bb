#pragma once

#include "BrowsingUrlOpener.h"
#include "FakeFileDialogs.h"
#include "FakeSecretStore.h"
#include "FakeStartAtLogon.h"
#include "RecordingIndicators.h"
#include "RecordingKeyboardLight.h"
#include "RecordingSoundPlayer.h"
#include "ScriptedChecker.h"
#include "SettingsFakes.h"
#include "TableView.h"
#include "TestAuthorizationServer.h"
#include "VirtualClock.h"
#include "core/AccountList.h"
#include "core/CertificateTrust.h"
#include "core/IndicatorFanout.h"
#include "core/MailCore.h"
#include "core/server.h"
#include "display/KeyboardFlasher.h"
#include "display/QuickBar.h"
#include "display/QuickView.h"
#include "display/SkinDriver.h"
#include "oauth/OAuthTokens.h"
#include "platform/DataFolders.h"
#include "settings/NotifierWindows.h"
#include "settings/SettingsWindow.h"

#include <QAbstractButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <QWidget>

namespace orvane::test {

/// The settings window on the real store, account list and check cycle,
/// with doubles for the desktop around them.
struct SettingsWindowRig
{
    SettingsWindowRig() : store(dir.path() + QLatin1Char('/'), fakes.services())
    {
        store.LoadDefaultSettings();
        windows.setSettingsWindow(&window);
    }

    server& add(const QString& name, const QString& address = QStringLiteral("pop.example.org"),
                qint16 timeout = 60, const QString& user = QStringLiteral("user"))
    {
        auto account = std::make_unique<server>(core);
        account->CreateServer(name, address, timeout, 600, user, QStringLiteral("secret"), false, 0,
                              false, {}, false);
        return accounts.append(std::move(account));
    }

    /// Shows the window and returns it.
    QWidget& open()
    {
        window.Show();
        return *window.widget();
    }
    template <typename W = QWidget> W* find(const char* name) const
    {
        QWidget* top = window.accountDialog() ? static_cast<QWidget*>(window.accountDialog())
                                              : window.widget();
        if (auto* w = top->findChild<W*>(QString::fromLatin1(name)))
            return w;
        return window.widget()->findChild<W*>(QString::fromLatin1(name));
    }
    /// The settings window's account table.
    TableView table() const { return {find<QTreeView>("Servers")}; }
    void click(const char* name) const
    {
        auto* button = find<QAbstractButton>(name);
        QVERIFY2(button, name);
        button->click();
    }

    QTemporaryDir dir;
    SettingsFakes fakes;
    Settings store;
    VirtualClock clock;
    AccountList accounts;
    SkinDriver skinDriver;
    // The bar and Quick View act on the windows object below, as in the
    // program.
    QuickBar quickBar{DataFolders(dir.path()).skinFolders(), windows, store};
    QuickView quickView{windows, store};
    /// The windows as the program's displays: the check cycle redraws the
    /// tables through them.
    RecordingKeyboardLight light;
    KeyboardFlasher flasher{clock, light};
    NotifierWindows windows{skinDriver, quickBar, quickView, flasher};
    RecordingIndicators indicators;
    IndicatorFanout redraws{{&indicators, &windows, &quickView}};
    RecordingSoundPlayer sound;
    ScriptedCheckers checkers;
    MailCore core{clock, accounts, store, redraws, sound, checkers};
    FakeStartAtLogon startAtLogon;
    RecordingIndicators displays;
    FakeFileDialogs files;
    QStringList profiles;
    CertificateTrust trust{dir.filePath(QStringLiteral("Quorveltest.trust"))};
    QStringList pagesOpened;
    int changes = 0;
    /// The provider "Local" for the host "localhost": a local authorization
    /// server, its answers followed by a stand-in browser.
    TestAuthorizationServer authority{QStringLiteral("alice")};
    bool authorityUp = authority.listen();
    FakeSecretStore keyring;
    BrowsingUrlOpener browser;
    OAuthTokens tokens{[this] {
                           OAuthProviders providers;
                           providers.read(authority.providerGroup(QStringLiteral("Local"),
                                                                  QStringLiteral("localhost")));
                           return providers;
                       }(),
                       keyring, clock, QStringLiteral("test")};
    ProviderSignInServices signIn{tokens, browser, clock};
    SettingsWindow window{{store, accounts, core, [this] { return std::make_unique<server>(core); },
                           startAtLogon, skinDriver, quickBar, quickView, displays, fakes.messages,
                           files, [this](const QString& id) { pagesOpened << id; },
                           [this] { return profiles; }, [this] { ++changes; }, &trust, nullptr,
                           &signIn}};
};

} // namespace orvane::test
