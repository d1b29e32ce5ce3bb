#pragma once

#include "platform/SecretStore.h"

#include <QHash>
#include <QList>
#include <QMetaObject>

namespace orvane::test {

/// A keyring in memory. By default it answers on the next turn of the event
/// loop, as a real one does; `holdAnswers` keeps every answer back until the
/// test releases them one by one, so a test can stop the program between any
/// two steps.
class FakeSecretStore final : public SecretStore
{
    Q_OBJECT
public:
    struct Item
    {
        QString label;
        QString secret;
    };

    /// What the next calls answer instead of doing their work.
    Outcome state = Outcome::Done;
    /// Writes fail with Failed while set, reads still work.
    bool failWrites = false;
    bool holdAnswers = false;
    int reads = 0;
    int writes = 0;
    int removes = 0;

    QHash<QString, Item> items; // by flat(key)
    static QString flat(const Key& key)
    {
        return key.scope + u'\n' + key.account + u'\n' + key.kind;
    }

    void read(const Key& key, ReadAnswer answered) override
    {
        ++reads;
        answer([this, key, answered] {
            if (state != Outcome::Done)
                return answered(state, {}, detailFor(state));
            const auto it = items.constFind(flat(key));
            if (it == items.cend())
                return answered(Outcome::NotFound, {}, {});
            answered(Outcome::Done, it->secret, {});
        });
    }
    void write(const Key& key, const QString& label, const QString& secret,
               WriteAnswer answered) override
    {
        ++writes;
        answer([this, key, label, secret, answered] {
            if (state != Outcome::Done)
                return answered(state, detailFor(state));
            if (failWrites)
                return answered(Outcome::Failed, QStringLiteral("The keyring refused the item."));
            items.insert(flat(key), {label, secret});
            answered(Outcome::Done, {});
        });
    }
    void remove(const Key& key, WriteAnswer answered) override
    {
        ++removes;
        answer([this, key, answered] {
            if (state != Outcome::Done)
                return answered(state, detailFor(state));
            answered(items.remove(flat(key)) ? Outcome::Done : Outcome::NotFound, {});
        });
    }

    /// Answers held back so far, oldest first.
    qsizetype heldAnswers() const { return m_held.size(); }
    /// Releases the oldest held answer; false when none is held.
    bool releaseOne()
    {
        if (m_held.isEmpty())
            return false;
        m_held.takeFirst()();
        return true;
    }
    /// Forgets every held answer, as a program killed before they came.
    void dropHeld() { m_held.clear(); }

private:
    static QString detailFor(Outcome outcome)
    {
        return outcome == Outcome::Failed ? QStringLiteral("The keyring failed.") : QString();
    }
    void answer(std::function<void()> work)
    {
        if (holdAnswers)
            m_held.append(std::move(work));
        else
            QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
    }

    QList<std::function<void()>> m_held;
};

} // namespace orvane::test
