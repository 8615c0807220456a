#pragma once

#include <QDBusConnection>
#include <QObject>
#include <memory>

class DesktopIntegration;
class Form1;
class SingleInstance;

// The running program: its window, and once the window has loaded, its place on the desktop and
// the commands of later starts.
class Application : public QObject {
    Q_OBJECT

public:
    Application(SingleInstance &instance, const QDBusConnection &bus, QObject *parent = nullptr);
    ~Application() override;

    // Starts loading the window, which is shown when it has loaded
    void start();

private:
    void showWindow();

    SingleInstance &m_instance;
    QDBusConnection m_bus;
    std::unique_ptr<Form1> m_window;
    std::unique_ptr<DesktopIntegration> m_desktop;
};
