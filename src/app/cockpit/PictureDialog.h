#pragma once

#include "pictures/Pictures.h"

#include <QDialog>

#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace printbench::app {

// Test pages › Image…: a picture file, how it becomes dots (the dithering, the threshold's level),
// how they are sent (column, raster, graphics), scaled down to the print width or cropped at it;
// the dots as they will print, redrawn at each choice, before anything is sent.
class PictureDialog : public QDialog {
    Q_OBJECT
public:
    // `chooseFile` asks for a picture file (empty: none chosen).
    PictureDialog(int printWidthDots, std::function<QString()> chooseFile, QWidget* parent = nullptr);

    // Reads a picture file, as choosing it does.
    void setFile(const QString& path);
    // The dots of the preview, the mode chosen and the file's name; none without a picture.
    const std::optional<pictures::DotPicture>& dots() const { return m_dots; }
    pictures::ImageMode mode() const;
    QString fileName() const;

private:
    void refit();
    void redraw();

    int m_width;
    std::function<QString()> m_chooseFile;
    QLineEdit* m_file = nullptr;
    QComboBox* m_dither = nullptr;
    QSpinBox* m_level = nullptr;
    QComboBox* m_mode = nullptr;
    QCheckBox* m_crop = nullptr;
    QLabel* m_notice = nullptr;
    QLabel* m_preview = nullptr;
    QPushButton* m_print = nullptr;
    std::optional<pictures::GreyPicture> m_read;
    pictures::FittedPicture m_fitted;
    std::optional<pictures::DotPicture> m_dots;
};

}  // namespace printbench::app
