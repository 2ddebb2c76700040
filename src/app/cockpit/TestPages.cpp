#include "app/cockpit/TestPages.h"

#include "protocol/CodeTables.h"
#include "protocol/Models.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace printbench::app {

namespace {

QSpinBox* spin(int from, int to, int value, QWidget* parent)
{
    auto* box = new QSpinBox(parent);
    box->setRange(from, to);
    box->setValue(value);
    return box;
}

QComboBox* combo(const QStringList& items, int current, QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->addItems(items);
    box->setCurrentIndex(current);
    return box;
}

void addButtons(QDialog* dialog, QVBoxLayout* layout, const QString& ok)
{
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(ok);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    layout->addWidget(buttons);
}

}  // namespace

BarcodeDialog::BarcodeDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("BarcodeDialog"));
    setWindowTitle(tr("Barcodes"));
    auto* layout = new QVBoxLayout(this);
    m_sample = new QRadioButton(tr("Sample page: every symbology with a sample datum"), this);
    auto* one = new QRadioButton(tr("One symbology with this data:"), this);
    m_sample->setChecked(true);
    layout->addWidget(m_sample);
    layout->addWidget(one);
    auto* form = new QFormLayout;
    m_symbology = new QComboBox(this);
    for (const codes::SymbologyInfo& s : codes::kSymbologies)
        m_symbology->addItem(QString::fromUtf8(s.name.data(), qsizetype(s.name.size())));
    m_data = new QLineEdit(this);
    const auto sampleOf = [this](int index) {
        const std::string_view sample = codes::kSymbologies.at(std::size_t(index)).sample;
        m_data->setText(QString::fromUtf8(sample.data(), qsizetype(sample.size())));
    };
    sampleOf(0);
    connect(m_symbology, &QComboBox::currentIndexChanged, this, sampleOf);
    form->addRow(tr("Symbology"), m_symbology);
    form->addRow(tr("Data"), m_data);
    const codes::BarcodeSettings defaults;
    m_height = spin(1, 255, defaults.height, this);
    m_module = spin(2, 6, defaults.moduleWidth, this);
    m_hri = combo({tr("none"), tr("above"), tr("below"), tr("both")}, int(defaults.hri), this);
    m_font = combo({tr("font A"), tr("font B")}, defaults.hriFont, this);
    m_form = combo({tr("form A (m 0–6, data ended by NUL)"), tr("form B (m 65–78, length first)")},
                   defaults.form == codes::Form::A ? 0 : 1, this);
    form->addRow(tr("Height (dots, GS h)"), m_height);
    form->addRow(tr("Module width (dots, GS w)"), m_module);
    form->addRow(tr("Human-readable text (GS H)"), m_hri);
    form->addRow(tr("Its font (GS f)"), m_font);
    form->addRow(tr("GS k form"), m_form);
    layout->addLayout(form);
    for (const auto& [widget, name] :
         std::initializer_list<std::pair<QWidget*, const char*>>{{m_sample, "sample"},
                                                                 {one, "one"},
                                                                 {m_symbology, "symbology"},
                                                                 {m_data, "data"},
                                                                 {m_height, "height"},
                                                                 {m_module, "moduleWidth"},
                                                                 {m_hri, "hri"},
                                                                 {m_font, "hriFont"},
                                                                 {m_form, "form"}})
        widget->setObjectName(QString::fromLatin1(name));
    const auto enable = [this] {
        m_symbology->setEnabled(!m_sample->isChecked());
        m_data->setEnabled(!m_sample->isChecked());
    };
    connect(m_sample, &QRadioButton::toggled, this, enable);
    enable();
    addButtons(this, layout, tr("Print"));
}

CodePageChoice BarcodeDialog::choice() const
{
    codes::BarcodeSettings settings;
    settings.height = m_height->value();
    settings.moduleWidth = m_module->value();
    settings.hri = codes::Hri(m_hri->currentIndex());
    settings.hriFont = m_font->currentIndex();
    settings.form = m_form->currentIndex() == 0 ? codes::Form::A : codes::Form::B;
    if (m_sample->isChecked()) return {run::Action::Barcodes, codes::samplePage(settings)};
    const codes::Symbology symbology = codes::kSymbologies.at(std::size_t(m_symbology->currentIndex())).symbology;
    return {run::Action::Barcode, {codes::BarcodeRequest{symbology, m_data->text().toStdString(), settings}}};
}

Code2dDialog::Code2dDialog(const QString& codePage, QWidget* parent) : QDialog(parent), m_codePage(codePage)
{
    setObjectName(QStringLiteral("Code2dDialog"));
    setWindowTitle(tr("2-D codes"));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QFormLayout;
    m_kind = combo({QStringLiteral("QR"), QStringLiteral("PDF417")}, 0, this);
    m_text = new QPlainTextEdit(QStringLiteral("https://example.com"), this);
    m_text->setTabChangesFocus(true);
    top->addRow(tr("Code"), m_kind);
    top->addRow(tr("Text"), m_text);
    m_inCodePage = new QCheckBox(tr("Text in the text code page (%1), not UTF-8").arg(codePage), this);
    top->addRow(QString(), m_inCodePage);
    layout->addLayout(top);

    m_settings = new QStackedWidget(this);
    auto* qr = new QWidget(m_settings);
    auto* qrForm = new QFormLayout(qr);
    const codes::QrSettings qrDefaults;
    m_qrModel = combo({tr("model 1"), tr("model 2"), tr("Micro QR")}, 1, qr);
    m_qrModule = spin(1, 16, qrDefaults.module, qr);
    m_qrLevel = combo({QStringLiteral("L"), QStringLiteral("M"), QStringLiteral("Q"), QStringLiteral("H")},
                      int(qrDefaults.level), qr);
    qrForm->addRow(tr("Model"), m_qrModel);
    qrForm->addRow(tr("Module size (dots)"), m_qrModule);
    qrForm->addRow(tr("Error correction"), m_qrLevel);
    auto* pdf = new QWidget(m_settings);
    auto* pdfForm = new QFormLayout(pdf);
    const codes::Pdf417Settings pdfDefaults;
    m_columns = spin(0, 30, pdfDefaults.columns, pdf);
    m_rows = spin(0, 90, pdfDefaults.rows, pdf);
    m_pdfModule = spin(2, 8, pdfDefaults.moduleWidth, pdf);
    m_rowHeight = spin(2, 8, pdfDefaults.rowHeight, pdf);
    m_pdfLevel = spin(0, 8, pdfDefaults.level, pdf);
    m_truncated = new QCheckBox(tr("Truncated"), pdf);
    m_truncated->setChecked(pdfDefaults.truncated);
    pdfForm->addRow(tr("Columns (0: the printer's choice)"), m_columns);
    pdfForm->addRow(tr("Rows (0: the printer's choice, or 3–90)"), m_rows);
    pdfForm->addRow(tr("Module width (dots)"), m_pdfModule);
    pdfForm->addRow(tr("Row height (modules)"), m_rowHeight);
    pdfForm->addRow(tr("Error correction level"), m_pdfLevel);
    pdfForm->addRow(QString(), m_truncated);
    m_settings->addWidget(qr);
    m_settings->addWidget(pdf);
    connect(m_kind, &QComboBox::currentIndexChanged, m_settings, &QStackedWidget::setCurrentIndex);
    for (const auto& [widget, name] :
         std::initializer_list<std::pair<QWidget*, const char*>>{{m_kind, "kind"},
                                                                 {m_text, "text"},
                                                                 {m_qrModel, "qrModel"},
                                                                 {m_qrModule, "module"},
                                                                 {m_qrLevel, "level"},
                                                                 {m_columns, "columns"},
                                                                 {m_rows, "rows"},
                                                                 {m_pdfModule, "pdfModuleWidth"},
                                                                 {m_rowHeight, "rowHeight"},
                                                                 {m_pdfLevel, "pdfLevel"},
                                                                 {m_truncated, "truncated"},
                                                                 {m_inCodePage, "inCodePage"}})
        widget->setObjectName(QString::fromLatin1(name));
    layout->addWidget(m_settings);
    addButtons(this, layout, tr("Print"));
}

CodePageChoice Code2dDialog::choice() const
{
    const std::string text = m_text->toPlainText().toStdString();
    const std::string codePage = m_inCodePage->isChecked() ? m_codePage.toStdString() : std::string();
    if (m_kind->currentIndex() == 0) {
        codes::QrSettings s;
        s.model = std::array{codes::QrModel::Model1, codes::QrModel::Model2,
                             codes::QrModel::Micro}[std::size_t(m_qrModel->currentIndex())];
        s.module = m_qrModule->value();
        s.level = codes::QrLevel(m_qrLevel->currentIndex());
        return {run::Action::Qr, {codes::QrRequest{text, s, codePage}}};
    }
    codes::Pdf417Settings s;
    s.columns = m_columns->value();
    s.rows = m_rows->value();
    s.moduleWidth = m_pdfModule->value();
    s.rowHeight = m_rowHeight->value();
    s.level = m_pdfLevel->value();
    s.truncated = m_truncated->isChecked();
    return {run::Action::Pdf417, {codes::Pdf417Request{text, s, codePage}}};
}

CodePagesDialog::CodePagesDialog(const QString& model, const std::vector<std::uint8_t>& tables, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("CodePagesDialog"));
    setWindowTitle(tr("Code pages"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(tr("Charts of the code tables of %1 (ESC t n; Settings › Code tables…):").arg(model), this));
    for (const std::uint8_t n : tables) {
        QString text = tr("%1: table %2").arg(n);
        const auto known = protocol::codeTable(n);
        text = text.arg(known ? QString::fromLatin1(known->name.data(), qsizetype(known->name.size())) : tr("unnamed"));
        auto* box = new QCheckBox(text, this);
        box->setObjectName(QStringLiteral("table%1").arg(n));
        box->setChecked(true);
        layout->addWidget(box);
        m_tables.emplace_back(box, n);
    }
    m_korean = new QCheckBox(tr("Korean double-byte characters (FS &, KS X 1001)"), this);
    m_korean->setObjectName(QStringLiteral("korean"));
    m_korean->setChecked(true);
    layout->addWidget(m_korean);
    addButtons(this, layout, tr("Print"));
}

patterns::ChartPage CodePagesDialog::choice() const
{
    patterns::ChartPage page;
    for (const auto& [box, n] : m_tables)
        if (box->isChecked()) page.tables.push_back(n);
    page.korean = m_korean->isChecked();
    return page;
}

CodeTablesDialog::CodeTablesDialog(const QString& model,
                                   std::function<std::vector<std::uint8_t>(const QString&)> tables, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("CodeTablesDialog"));
    setWindowTitle(tr("Code tables"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_model = new QComboBox(this);
    for (const auto& [name, width] : protocol::kModelWidths)
        m_model->addItem(QString::fromLatin1(name.data(), qsizetype(name.size())));
    m_model->setCurrentText(model);
    m_model->setObjectName(QStringLiteral("model"));
    m_list = new QLineEdit(this);
    m_list->setObjectName(QStringLiteral("tables"));
    const auto show = [this, tables](const QString& name) {
        m_list->setText(QString::fromStdString(patterns::tableListText(tables(name))));
    };
    show(m_model->currentText());
    connect(m_model, &QComboBox::currentTextChanged, this, show);
    form->addRow(tr("Model"), m_model);
    form->addRow(tr("Tables (ESC t n, 0–255)"), m_list);
    layout->addLayout(form);
    QString known;
    for (const protocol::CodeTable& t : protocol::kCodeTables)
        known += QStringLiteral("%1 %2  ").arg(t.n).arg(QString::fromLatin1(t.name.data(), qsizetype(t.name.size())));
    auto* note = new QLabel(tr("Tables with glyphs known here: %1").arg(known.trimmed()), this);
    note->setWordWrap(true);
    layout->addWidget(note);
    addButtons(this, layout, tr("Keep"));
}

QString CodeTablesDialog::model() const
{
    return m_model->currentText();
}

std::variant<std::vector<std::uint8_t>, std::string> CodeTablesDialog::tables() const
{
    return patterns::readTableList(m_list->text().toStdString());
}

ScanCheckDialog::ScanCheckDialog(const QString& image, const std::vector<codes::ScanRow>& rows, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("ScanCheckDialog"));
    setWindowTitle(tr("Check a scanned page"));
    auto* layout = new QVBoxLayout(this);
    const bool passed = codes::scanPassed(rows);
    auto* verdict = new QLabel(passed ? tr("%1: every code that can be checked was read with its own text.").arg(image)
                                      : tr("%1: not every code was read with its own text.").arg(image),
                               this);
    verdict->setObjectName(QStringLiteral("verdict"));
    layout->addWidget(verdict);
    auto* table = new QTableWidget(int(rows.size()), 3, this);
    table->setObjectName(QStringLiteral("rows"));
    table->setHorizontalHeaderLabels({tr("Code"), tr("Sent"), tr("Read")});
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (int i = 0; i < int(rows.size()); ++i) {
        const codes::ScanRow& row = rows[std::size_t(i)];
        const std::string line = codes::scanLine(row);
        const std::size_t colon = line.rfind(": ");
        table->setItem(i, 0, new QTableWidgetItem(QString::fromStdString(row.code.symbology)));
        table->setItem(i, 1, new QTableWidgetItem(QString::fromStdString(row.code.text)));
        table->setItem(
            i, 2,
            new QTableWidgetItem(QString::fromStdString(colon == std::string::npos ? line : line.substr(colon + 2))));
    }
    table->horizontalHeader()->setStretchLastSection(true);
    table->resizeColumnsToContents();
    layout->addWidget(table);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(640, 420);
}

}  // namespace printbench::app
