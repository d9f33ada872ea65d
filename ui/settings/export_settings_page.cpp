#include "ui/settings/export_settings_page.h"

#include "ui/settings/settings_store.h"

#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>

#include <algorithm>

namespace {
const char* const kSection = "export";
}

CExportSettingsPage::CExportSettingsPage(SettingsStore& store)
    : store_(store), format_(store.readInt(kSection, "format", 0)),
      quality_(store.readInt(kSection, "quality", 60)),
      folder_(store.readText(kSection, "folder", "")) {}

CExportSettingsPage::~CExportSettingsPage() {
    store_.writeInt(kSection, "format", format_);
    store_.writeInt(kSection, "quality", quality_);
    store_.writeText(kSection, "folder", folder_);
    destroyWidget();
}

QString CExportSettingsPage::title() const {
    return QStringLiteral("export");
}

QWidget* CExportSettingsPage::createWidget(QWidget* parent) {
    QWidget* page = makePageWidget(parent, 187, 60);

    formatBox_ = new QComboBox(page);
    formatBox_->setObjectName(QStringLiteral("formatBox"));
    for (int i = 0; i < sundra::kExportFormatCount; ++i)
        formatBox_->addItem(
            QString::fromLatin1(sundra::exportFormatLabel(sundra::exportFormatFromValue(i))));
    qualitySlider_ = page_controls::makeSlider(page, QStringLiteral("qualitySlider"));
    qualityValue_ = new QLabel(page);
    qualityValue_->setObjectName(QStringLiteral("qualityValue"));
    qualityValue_->setMinimumWidth(
        qualityValue_->fontMetrics().horizontalAdvance(QStringLiteral("100 of 100")) + 4);
    note_ = new QLabel(page);
    note_->setObjectName(QStringLiteral("note"));
    note_->setWordWrap(true);
    // Where Save All writes: beside the recording unless a folder is chosen.
    folderEdit_ = new QLineEdit(page);
    folderEdit_->setObjectName(QStringLiteral("folderEdit"));
    folderEdit_->setReadOnly(true);
    folderEdit_->setPlaceholderText(QStringLiteral("beside the recording"));
    auto* choose = new QPushButton(QStringLiteral("choose..."), page);
    choose->setObjectName(QStringLiteral("chooseFolderButton"));
    choose->setAutoDefault(false);
    auto* beside = new QPushButton(QStringLiteral("beside the recording"), page);
    beside->setObjectName(QStringLiteral("besideButton"));
    beside->setAutoDefault(false);
    auto* folderButtons = new QHBoxLayout;
    folderButtons->addWidget(choose);
    folderButtons->addWidget(beside);
    folderButtons->addStretch(1);

    auto* grid = new QGridLayout(page);
    grid->addWidget(new QLabel(QStringLiteral("format"), page), 0, 0);
    grid->addWidget(formatBox_, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("quality"), page), 1, 0);
    grid->addWidget(qualitySlider_, 1, 1);
    grid->addWidget(qualityValue_, 1, 2);
    grid->addWidget(note_, 2, 0, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("folder"), page), 3, 0);
    grid->addWidget(folderEdit_, 3, 1, 1, 2);
    grid->addLayout(folderButtons, 4, 1, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(5, 1);

    QWidget::setTabOrder(formatBox_, qualitySlider_);
    QWidget::setTabOrder(qualitySlider_, choose);
    QWidget::setTabOrder(choose, beside);
    QObject::connect(choose, &QPushButton::clicked, page, [this] { chooseFolder(); });
    QObject::connect(beside, &QPushButton::clicked, page, [this] { folderEdit_->clear(); });
    QObject::connect(formatBox_, &QComboBox::currentIndexChanged, page,
                     [this] { showWhatApplies(); });
    QObject::connect(qualitySlider_, &QSlider::valueChanged, page, [this](int quality) {
        qualityValue_->setText(QStringLiteral("%1 of 100").arg(quality));
    });
    return page;
}

void CExportSettingsPage::showWhatApplies() {
    if (!formatBox_)
        return;
    const auto format = sundra::exportFormatFromValue(formatBox_->currentIndex());
    qualitySlider_->setEnabled(sundra::isLossy(format));
    switch (format) {
    case sundra::ExportFormat::Wav:
        note_->setText(QStringLiteral("Tracks are written as WAV files with the recording's own "
                                      "samples and extension, without tags."));
        break;
    case sundra::ExportFormat::Flac:
        note_->setText(QStringLiteral("FLAC keeps 8, 16 and 24-bit samples exactly. 32-bit and "
                                      "floating-point recordings are written at 24 bits."));
        break;
    case sundra::ExportFormat::Opus:
        note_->setText(QStringLiteral("Opus takes recordings at 48000, 24000, 16000, 12000 or "
                                      "8000 samples per second."));
        break;
    default:
        note_->setText(QStringLiteral("A higher quality gives larger files."));
        break;
    }
}

void CExportSettingsPage::chooseFolder() {
    const QString current = folderEdit_->text();
    const QString chosen = folderChooser_
                               ? folderChooser_(widget_, current)
                               : QFileDialog::getExistingDirectory(
                                     widget_, QStringLiteral("Folder for the tracks"), current);
    if (!chosen.isEmpty())
        folderEdit_->setText(QDir::toNativeSeparators(chosen));
}

void CExportSettingsPage::loadControls() {
    if (!formatBox_)
        return;
    folderEdit_->setText(QDir::toNativeSeparators(QString::fromStdString(folder_)));
    formatBox_->setCurrentIndex(static_cast<int>(sundra::exportFormatFromValue(format_)));
    qualitySlider_->setValue(quality_);
    qualityValue_->setText(QStringLiteral("%1 of 100").arg(qualitySlider_->value()));
    showWhatApplies();
}

void CExportSettingsPage::saveControls() {
    if (!formatBox_)
        return;
    format_ = formatBox_->currentIndex();
    quality_ = qualitySlider_->value();
    folder_ = QDir::fromNativeSeparators(folderEdit_->text()).toStdString();
}

void CExportSettingsPage::destroyWidget() {
    SettingsPage::destroyWidget();
    formatBox_ = nullptr;
    qualitySlider_ = nullptr;
    qualityValue_ = nullptr;
    note_ = nullptr;
    folderEdit_ = nullptr;
}

sundra::ExportSettings CExportSettingsPage::exportSettings() const {
    return {sundra::exportFormatFromValue(format_), std::clamp(quality_, 0, 100)};
}
