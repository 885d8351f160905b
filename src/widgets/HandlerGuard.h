#pragma once

#include "platform/KelvaroError.h"
#include "platform/Prompter.h"

#include <QString>

#include <exception>
#include <utility>

// Every handler that Qt calls runs through RunGuarded: an error that the handler does
// not catch itself ends the handler, is shown in the application's standard error box
// and the run goes on. No exception may unwind through Qt's event loop.
template <typename Handler> void RunGuarded(Prompter &prompter, Handler &&handler) noexcept
{
    QString text;
    try {
        std::forward<Handler>(handler)();
        return;
    } catch (const KelvaroError &error) {
        text = error.message();
    } catch (const std::exception &error) {
        text = QString::fromLocal8Bit(error.what());
    } catch (...) {
        text = QStringLiteral("Unknown error");
    }
    try {
        prompter.showError(text);
    } catch (...) {
        // Nothing is left to report an error of the error box to.
    }
}

// A functor for connect(): the handler, guarded. Signal arguments are dropped.
template <typename Handler> auto Guarded(Prompter &prompter, Handler handler)
{
    return [&prompter, handler = std::move(handler)]() { RunGuarded(prompter, handler); };
}
