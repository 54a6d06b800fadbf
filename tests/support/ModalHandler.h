#pragma once

// Acts on modal windows of a given type from a short timer, while the code under test waits
// in that window's exec(). Each window that opens is handed over once, so an unexpected one (an
// error message) cannot leave the test waiting for ever; a window that a handler made later also
// takes is left to that one, so a test can answer one window and then the next. The test checks
// fired(): a window that never came is a failure, not a hang.

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QList>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

namespace tarvik::testsupport {

// Keeps the live handlers in the order they were made, so that of two that take a window the
// newer one answers it.
class ModalHandlerBase
{
public:
    ModalHandlerBase(const ModalHandlerBase&) = delete;
    ModalHandlerBase& operator=(const ModalHandlerBase&) = delete;

protected:
    ModalHandlerBase() { live().push_back(this); }
    virtual ~ModalHandlerBase() { std::erase(live(), this); }
    virtual bool takes(QWidget* window) const = 0;

    bool takenByNewer(QWidget* window) const
    {
        const auto& handlers = live();
        const auto self = std::find(handlers.begin(), handlers.end(), this);
        return std::any_of(self + 1, handlers.end(), [window](const ModalHandlerBase* h) { return h->takes(window); });
    }

private:
    static std::vector<const ModalHandlerBase*>& live()
    {
        static std::vector<const ModalHandlerBase*> handlers;
        return handlers;
    }
};

template <typename Window = QDialog>
class ModalHandler : public ModalHandlerBase
{
public:
    explicit ModalHandler(std::function<void(Window*)> action, int timeoutMs = 30000)
        : m_state(std::make_shared<State>())
    {
        m_state->action = std::move(action);
        m_state->clock.start();
        std::weak_ptr<State> weak = m_state;
        QObject::connect(&m_state->timer, &QTimer::timeout, [this, weak, timeoutMs] {
            const std::shared_ptr<State> state = weak.lock();
            if (!state)
                return;
            if (state->clock.elapsed() > timeoutMs) {
                state->timer.stop();
                return;
            }
            auto* window = qobject_cast<Window*>(QApplication::activeModalWidget());
            if (!window || state->handled.contains(window) || takenByNewer(window))
                return;
            state->handled.append(window);
            state->fired = true;
            state->action(window);
        });
        m_state->timer.start(10);
    }

    // Gone with the handler: a window of a later test is not its business.
    ~ModalHandler() override { m_state->timer.stop(); }

    bool fired() const { return m_state->fired; }

private:
    // One that gave up waiting takes nothing more.
    bool takes(QWidget* window) const override
    {
        return m_state->timer.isActive() && qobject_cast<Window*>(window) != nullptr;
    }

    struct State
    {
        QTimer timer;
        QElapsedTimer clock;
        std::function<void(Window*)> action;
        QList<QPointer<Window>> handled;
        bool fired = false;
    };
    std::shared_ptr<State> m_state;
};

} // namespace tarvik::testsupport
