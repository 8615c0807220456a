#include "application.h"

#include "desktopintegration.h"
#include "form1.h"
#include "singleinstance.h"

#include "downloads/downloadmanager.h"

Application::Application(SingleInstance &instance, const QDBusConnection &bus, QObject *parent)
    : QObject(parent), m_instance(instance), m_bus(bus), m_window(std::make_unique<Form1>())
{
    connect(m_window.get(), &Form1::loaded, this, &Application::showWindow);
}

Application::~Application() = default;

void Application::start()
{
    m_window->Form_Load();
}

void Application::showWindow()
{
    m_window->show();
    m_window->downloads().restoreUnfinished();
    // The desktop and later starts reach a window that has its list
    m_desktop = std::make_unique<DesktopIntegration>(*m_window, m_bus);
    m_desktop->serve(m_instance);
}
