#pragma once

// Acts on the next modal window of a given type from a short timer, while the code
// under test waits in that window's exec(). The test checks fired(): a window that never
// came is a failure, not a hang.

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <functional>
#include <memory>

namespace tarvik::testing {

template <typename Window>
class ModalHandler
{
public:
    explicit ModalHandler(std::function<void(Window*)> action, int timeoutMs = 30000)
        : m_state(std::make_shared<State>())
    {
        m_state->action = std::move(action);
        m_state->clock.start();
        std::weak_ptr<State> weak = m_state;
        QObject::connect(&m_state->timer, &QTimer::timeout, [weak, timeoutMs] {
            const std::shared_ptr<State> state = weak.lock();
            if (!state)
                return;
            if (auto* window = qobject_cast<Window*>(QApplication::activeModalWidget())) {
                state->timer.stop();
                state->fired = true;
                state->action(window);
            } else if (state->clock.elapsed() > timeoutMs) {
                state->timer.stop();
            }
        });
        m_state->timer.start(10);
    }

    // Gone with the handler: a window of a later test is not its business.
    ~ModalHandler() { m_state->timer.stop(); }
    ModalHandler(const ModalHandler&) = delete;
    ModalHandler& operator=(const ModalHandler&) = delete;

    bool fired() const { return m_state->fired; }

private:
    struct State
    {
        QTimer timer;
        QElapsedTimer clock;
        std::function<void(Window*)> action;
        bool fired = false;
    };
    std::shared_ptr<State> m_state;
};

} // namespace tarvik::testing
