#pragma once

#include <QApplication>

#include <functional>

// The application object. An error that escapes an event handler ends that command,
// not the program: it is shown in one error box and the event loop goes on.
class VelmoApplication : public QApplication {
public:
    VelmoApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Shows an error that no command caught (error icon, the product name as caption);
    // tests replace it.
    std::function<void(const QString& text)> showUnhandledError;
};
