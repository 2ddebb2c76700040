#pragma once

#include "app/window/ControlWidgets.h"
#include "app/window/QtWindowFields.h"
#include "link/SerialPort.h"
#include "link/UsbControl.h"
#include "window/Form1.h"
#include "window/WindowHost.h"

#include <QWidget>

#include <filesystem>
#include <memory>

namespace printbench::app {

// The main window, built from its control table. Widgets hold what the user sees; every
// rule lives in Form1, which this window calls for each user action.
class MainWindow : public QWidget {
    Q_OBJECT

public:
    MainWindow(window::WindowHost& host, link::SerialPort& serial, link::UsbControl& usb,
               const link::CodePage& codePage, std::filesystem::path portFolder = link::defaultPortFolder(),
               QWidget* parent = nullptr);
    ~MainWindow() override;

    window::Form1& form() { return *m_form; }
    // A control of the window by its id, with its class (widget<MainControl::List1>() is a
    // QListWidget*), or as a widget.
    template <window::MainControl id>
    auto* widget() const
    {
        return m_widgets.get<id>();
    }
    QWidget* control(window::MainControl id) const { return m_widgets[id]; }

    // Names the device each COM entry reaches, in the port list's tooltips.
    void refreshPortTooltips();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // The captions follow the language.
    void changeEvent(QEvent* event) override;

private:
    void buildControls();
    void connectHandlers();

    ControlWidgets<window::MainControl> m_widgets;
    QtWindowFields m_fields;
    std::unique_ptr<window::Form1> m_form;
    QWidget* m_text1Viewport = nullptr;
    bool m_ending = false;
};

}  // namespace printbench::app
