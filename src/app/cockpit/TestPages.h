#pragma once

#include "codes/Codes.h"
#include "codes/ScanCheck.h"
#include "run/Action.h"

#include <QDialog>

#include <optional>
#include <vector>

class QComboBox;
class QSpinBox;
class QLineEdit;
class QPlainTextEdit;
class QCheckBox;
class QRadioButton;
class QStackedWidget;

namespace printbench::app {

// What a test page dialog asks the form to print: the action its run is named by, and its codes.
struct CodePageChoice {
    run::Action action;
    std::vector<codes::CodeRequest> page;
};

// Test pages › Barcodes…: the sample page of every symbology, or one symbology with the
// technician's data; the height, module width, human-readable text and its font, and GS k's form.
class BarcodeDialog : public QDialog {
    Q_OBJECT
public:
    explicit BarcodeDialog(QWidget* parent = nullptr);
    CodePageChoice choice() const;

private:
    QRadioButton* m_sample = nullptr;
    QComboBox* m_symbology = nullptr;
    QLineEdit* m_data = nullptr;
    QSpinBox* m_height = nullptr;
    QSpinBox* m_module = nullptr;
    QComboBox* m_hri = nullptr;
    QComboBox* m_font = nullptr;
    QComboBox* m_form = nullptr;
};

// Test pages › 2-D codes…: a QR code or a PDF417 code of the technician's text, with its settings;
// the text as UTF-8, or in the text code page `codePage` when asked.
class Code2dDialog : public QDialog {
    Q_OBJECT
public:
    explicit Code2dDialog(const QString& codePage, QWidget* parent = nullptr);
    CodePageChoice choice() const;

private:
    QComboBox* m_kind = nullptr;
    QPlainTextEdit* m_text = nullptr;
    QStackedWidget* m_settings = nullptr;
    QComboBox* m_qrModel = nullptr;
    QSpinBox* m_qrModule = nullptr;
    QComboBox* m_qrLevel = nullptr;
    QSpinBox* m_columns = nullptr;
    QSpinBox* m_rows = nullptr;
    QSpinBox* m_pdfModule = nullptr;
    QSpinBox* m_rowHeight = nullptr;
    QSpinBox* m_pdfLevel = nullptr;
    QCheckBox* m_truncated = nullptr;
    QCheckBox* m_inCodePage = nullptr;
    QString m_codePage;
};

// File › Check a scanned page…: one row per code of the last page, as check-scan prints them.
class ScanCheckDialog : public QDialog {
    Q_OBJECT
public:
    ScanCheckDialog(const QString& image, const std::vector<codes::ScanRow>& rows, QWidget* parent = nullptr);
};

}  // namespace printbench::app
