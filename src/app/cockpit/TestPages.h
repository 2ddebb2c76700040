#pragma once

#include "codes/Codes.h"
#include "codes/ScanCheck.h"
#include "patterns/CodePageCharts.h"
#include "run/Action.h"

#include <QDialog>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <variant>
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

// Test pages › Code pages…: which of the model's code tables to chart (all at first), and the
// Korean double-byte chart.
class CodePagesDialog : public QDialog {
    Q_OBJECT
public:
    CodePagesDialog(const QString& model, const std::vector<std::uint8_t>& tables, QWidget* parent = nullptr);
    patterns::ChartPage choice() const;

private:
    std::vector<std::pair<QCheckBox*, std::uint8_t>> m_tables;
    QCheckBox* m_korean = nullptr;
};

// Settings › Code tables…: the code tables (ESC t n) a model offers, as a list "0,1,16", kept per
// model. `tables` gives each model's list as it stands.
class CodeTablesDialog : public QDialog {
    Q_OBJECT
public:
    CodeTablesDialog(const QString& model, std::function<std::vector<std::uint8_t>(const QString&)> tables,
                     QWidget* parent = nullptr);
    QString model() const;
    // The list as typed, or why it is not one.
    std::variant<std::vector<std::uint8_t>, std::string> tables() const;

private:
    QComboBox* m_model = nullptr;
    QLineEdit* m_list = nullptr;
};

// File › Check a scanned page…: one row per code of the last page, as check-scan prints them.
class ScanCheckDialog : public QDialog {
    Q_OBJECT
public:
    ScanCheckDialog(const QString& image, const std::vector<codes::ScanRow>& rows, QWidget* parent = nullptr);
};

}  // namespace printbench::app
