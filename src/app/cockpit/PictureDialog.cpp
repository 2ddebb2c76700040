#include "app/cockpit/PictureDialog.h"

#include "pictures/app/PictureFile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QVBoxLayout>

namespace printbench::app {

PictureDialog::PictureDialog(int printWidthDots, std::function<QString()> chooseFile, QWidget* parent)
    : QDialog(parent), m_width(printWidthDots), m_chooseFile(std::move(chooseFile))
{
    setObjectName(QStringLiteral("PictureDialog"));
    setWindowTitle(tr("Image"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    auto* fileRow = new QHBoxLayout;
    m_file = new QLineEdit(this);
    m_file->setReadOnly(true);
    auto* choose = new QPushButton(tr("Choose…"), this);
    fileRow->addWidget(m_file, 1);
    fileRow->addWidget(choose);
    form->addRow(tr("Picture (PNG, JPEG, GIF, BMP)"), fileRow);
    m_dither = new QComboBox(this);
    m_dither->addItems({tr("threshold"), tr("ordered (Bayer 8×8)"), tr("Floyd–Steinberg"), tr("Atkinson")});
    m_dither->setCurrentIndex(int(pictures::Dither::FloydSteinberg));
    m_level = new QSpinBox(this);
    m_level->setRange(0, 255);
    m_level->setValue(pictures::kDefaultThreshold);
    m_mode = new QComboBox(this);
    m_mode->addItems({tr("column (ESC * 33)"), tr("raster (GS v 0)"), tr("graphics (GS ( L)")});
    m_mode->setCurrentIndex(int(pictures::ImageMode::Raster));
    m_crop = new QCheckBox(tr("Crop at the print width (%1 dots) instead of scaling down").arg(m_width), this);
    form->addRow(tr("Dithering"), m_dither);
    form->addRow(tr("Threshold (ink below it)"), m_level);
    form->addRow(tr("Mode"), m_mode);
    form->addRow(QString(), m_crop);
    layout->addLayout(form);
    m_notice = new QLabel(this);
    layout->addWidget(m_notice);
    m_preview = new QLabel(this);
    m_preview->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(m_preview);
    scroll->setWidgetResizable(true);
    scroll->setMinimumSize(std::min(m_width, 900) + 24, 320);
    layout->addWidget(scroll, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_print = buttons->button(QDialogButtonBox::Ok);
    m_print->setText(tr("Print"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    for (const auto& [widget, name] : std::initializer_list<std::pair<QWidget*, const char*>>{{m_file, "file"},
                                                                                              {choose, "choose"},
                                                                                              {m_dither, "dither"},
                                                                                              {m_level, "threshold"},
                                                                                              {m_mode, "mode"},
                                                                                              {m_crop, "crop"},
                                                                                              {m_notice, "notice"},
                                                                                              {m_preview, "preview"}})
        widget->setObjectName(QString::fromLatin1(name));

    connect(choose, &QPushButton::clicked, this, [this] {
        if (const QString path = m_chooseFile ? m_chooseFile() : QString(); !path.isEmpty()) setFile(path);
    });
    connect(m_dither, &QComboBox::currentIndexChanged, this, &PictureDialog::redraw);
    connect(m_level, &QSpinBox::valueChanged, this, &PictureDialog::redraw);
    connect(m_crop, &QCheckBox::toggled, this, &PictureDialog::refit);
    redraw();
}

void PictureDialog::setFile(const QString& path)
{
    m_file->setText(path);
    auto read = pictures::readGreyPicture(path.toStdString());
    if (const auto* why = std::get_if<std::string>(&read)) {
        m_read.reset();
        m_notice->setText(QString::fromStdString(*why));
    } else {
        m_read = std::move(std::get<pictures::GreyPicture>(read));
    }
    refit();
}

void PictureDialog::refit()
{
    if (m_read) {
        m_fitted = pictures::fitToWidth(*m_read, m_width, m_crop->isChecked());
        m_notice->setText(m_fitted.notice.empty()
                              ? tr("%1 × %2 dots").arg(m_fitted.picture.width).arg(m_fitted.picture.height)
                              : QString::fromStdString(m_fitted.notice));
    }
    redraw();
}

void PictureDialog::redraw()
{
    const auto method = pictures::Dither(m_dither->currentIndex());
    m_level->setEnabled(method == pictures::Dither::Threshold);
    m_dots.reset();
    if (m_read) m_dots = pictures::dither(m_fitted.picture, method, m_level->value());
    m_print->setEnabled(m_dots && m_dots->width > 0);
    if (!m_dots || m_dots->width == 0) {
        m_preview->setPixmap(QPixmap());
        return;
    }
    QImage image(m_dots->width, m_dots->height, QImage::Format_Grayscale8);
    for (int y = 0; y < m_dots->height; ++y) {
        uchar* row = image.scanLine(y);
        const std::uint8_t* dots = m_dots->dots.data() + std::size_t(y) * std::size_t(m_dots->width);
        for (int x = 0; x < m_dots->width; ++x) row[x] = dots[x] ? 0 : 255;
    }
    m_preview->setPixmap(QPixmap::fromImage(image));
}

pictures::ImageMode PictureDialog::mode() const
{
    return pictures::ImageMode(m_mode->currentIndex());
}

QString PictureDialog::fileName() const
{
    return QFileInfo(m_file->text()).fileName();
}

}  // namespace printbench::app
