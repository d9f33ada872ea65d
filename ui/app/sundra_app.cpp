#include "ui/app/sundra_app.h"

#include "audio/wave_out_device.h"
#include "core/cut_list.h"
#include "core/exception.h"
#include "ui/app/command_keys.h"
#include "ui/app/main_frame.h"
#include "ui/app/window_layout.h"
#include "ui/dialogs/about_box.h"
#include "ui/document/sundra_doc.h"
#include "ui/platform/command_ids.h"
#include "ui/platform/command_table.h"
#include "ui/platform/message_box_reporter.h"
#include "ui/settings/settings_pages.h"
#include "ui/settings/settings_store.h"
#include "ui/view/cut_list_files.h"
#include "ui/view/cut_list_keeper.h"
#include "ui/view/sundra_view.h"
#include "ui/view/transport.h"
#include "ui/waveform/waveform_strip.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMenuBar>
#include <QMessageBox>
#include <QTimer>

#include <filesystem>

namespace {

constexpr int kHandOverTimeoutMs = 1000;
constexpr int kHandOverRetryMs = 100;

} // namespace

// The resources live in a static library: pull them in explicitly. Outside any
// namespace, as the resource initialiser is declared there.
static void initResources() {
    Q_INIT_RESOURCE(sundra);
}

QString CSundraApp::defaultInstanceServerName() {
    const QString user = qEnvironmentVariable("USER", QStringLiteral("user"));
    return QStringLiteral("TOLVAN-Production.Sundra.") + user;
}

CSundraApp::CSundraApp(Options options) : options_(std::move(options)) {
    initResources();
    if (!options_.makeDevice) {
        options_.makeDevice = [](const sundra::WaveFormat& format) {
            return std::unique_ptr<sundra::SampleWriter>(std::make_unique<sundra::WaveOutDevice>(
                format, sundra::PlaybackContext::kBuffersPerSecond));
        };
    }
    if (!options_.makeSettingsStore) {
        options_.makeSettingsStore = [] { return std::make_unique<QtSettingsStore>(); };
    }
}

CSundraApp::~CSundraApp() {
    shutdown();
}

CommandTable& CSundraApp::commands() {
    return frame_->commands();
}

CSundraApp::StartResult CSundraApp::initInstance(const QStringList& arguments, bool showWindow) {
    // The settings store lives per user under the maker's key.
    QCoreApplication::setOrganizationName(QStringLiteral("TOLVAN-Production"));
    QCoreApplication::setApplicationName(QStringLiteral("Sundra"));

    const QString path = arguments.isEmpty() ? QString() : arguments.first();
    if (!path.isEmpty() && !options_.instanceServerName.isEmpty() && handOver(path)) {
        return StartResult::HandedOver;
    }

    recentFiles_.load();
    try {
        document_ =
            std::make_unique<CSundraDoc>(options_.makeDevice, [this](const std::string& text) {
                showMessage(frame_.get(), QString::fromStdString(text));
            });
    } catch (const sundra::Exception& error) {
        // No usable sound output even for the default format.
        showMessage(nullptr, QString::fromUtf8(error.what()));
        return StartResult::Failed;
    }
    frame_ = std::make_unique<CMainFrame>();
    view_ =
        new CSundraView(*document_, frame_->commands(), options_.makeSettingsStore(), frame_.get());
    frame_->setCentralWidget(view_);
    window_layout::restore(*frame_, view_->splitter(), view_->settings().store());
    frame_->setRecentFiles(recentFiles_.entries());
    bindCommands();
    connect(view_, &CSundraView::positionTimeChanged, frame_.get(), &CMainFrame::SetTimeText);
    connect(view_, &CSundraView::pointerTimeChanged, frame_.get(), &CMainFrame::SetPointerTimeText);
    connect(&view_->transport(), &Transport::crickRateChanged, frame_.get(),
            &CMainFrame::SetCrickRateText);
    connect(view_, &CSundraView::recordingAdopted, this, [this](const QString& recorded) {
        recentFiles_.add(recorded);
        recentFiles_.save();
        frame_->setRecentFiles(recentFiles_.entries());
        frame_->setDocumentTitle(QString::fromStdString(document_->title()));
    });
    connect(frame_.get(), &CMainFrame::filesDropped, this, [this](const QStringList& paths) {
        for (const QString& dropped : paths) {
            OpenDocumentFile(dropped);
        }
    });

    const bool opened = path.isEmpty() ? OnFileNew() : OpenDocumentFile(path);
    if (!opened) {
        shutdown();
        return StartResult::Failed;
    }
    if (!options_.instanceServerName.isEmpty()) {
        listenForHandOver();
    }
    if (showWindow) {
        frame_->show();
    }
    return StartResult::Started;
}

void CSundraApp::bindCommands() {
    CommandTable& table = frame_->commands();
    table.bind(command::kFileNew, [this] { OnFileNew(); });
    table.bind(command::kFileOpen, [this] { OnFileOpen(); });
    table.bind(command::kAppExit, [this] { frame_->close(); });
    table.bind(command::kAbout, [this] { OnAppAbout(); });
    table.bind(command::kKeyboardHelp, [this] {
        CKeysDialog keys(keyRows(*frame_->menuBar()), frame_.get());
        keys.exec();
    });
    for (int i = 0; i < command::kRecentFileCount; ++i) {
        table.bind(
            command::kRecentFileFirst + i, [this, i] { OnOpenRecentFile(i); },
            [this, i] { return i < recentFiles_.entries().size(); });
    }
}

bool CSundraApp::OnFileNew() {
    if (!document_->newDocument()) {
        return false;
    }
    documentChanged();
    return true;
}

void CSundraApp::OnFileOpen() {
    const QString path = QFileDialog::getOpenFileName(
        frame_.get(), QString(), QString(), QStringLiteral("Wave Files (*.wav);;All Files (*)"));
    if (!path.isEmpty()) {
        OpenDocumentFile(path);
    }
}

bool CSundraApp::OpenDocumentFile(const QString& path) {
    if (sundra::isCueSheetName(QFile::encodeName(path).toStdString())) {
        return openCueSheet(path);
    }
    return openWave(path, true);
}

bool CSundraApp::openCueSheet(const QString& path) {
    QFile sheet(path);
    if (!sheet.open(QIODevice::ReadOnly)) {
        showMessage(frame_.get(), QStringLiteral("Can't read %1: %2")
                                      .arg(QDir::toNativeSeparators(path), sheet.errorString()));
        return false;
    }
    const QByteArray bytes = sheet.readAll();
    const std::string named = sundra::cueSheetFileName(
        std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    if (named.empty()) {
        showMessage(frame_.get(),
                    QStringLiteral("%1 names no audio file.").arg(QDir::toNativeSeparators(path)));
        return false;
    }
    // The sheet's tracks are what was asked for: the rows kept for the file
    // are not offered over them.
    if (!openWave(QFileInfo(path).dir().filePath(QFile::decodeName(named.c_str())), false)) {
        return false;
    }
    view_->cutListFiles().importFile(path);
    return true;
}

bool CSundraApp::openWave(const QString& path, bool offerKept) {
    if (isOpenDocument(path)) {
        // Opening it again would throw away every edit: the open document
        // stays as it is and its window comes to the front.
        frame_->raise();
        frame_->activateWindow();
        return true;
    }
    if (!document_->openDocument(QFile::encodeName(path).toStdString())) {
        return false;
    }
    // The view first: until it has rebuilt its list, the rows still point into
    // the old master, so no enable rule may run before.
    documentChanged();
    recentFiles_.add(path);
    recentFiles_.save();
    frame_->setRecentFiles(recentFiles_.entries());
    if (offerKept) {
        view_->keptCutLists().offer();
    }
    return true;
}

bool CSundraApp::isOpenDocument(const QString& path) const {
    const std::string open = document_->pathName();
    if (open.empty()) {
        return false;
    }
    // The same file however its path is spelled (".", "..", links).
    const std::filesystem::path asked =
        std::filesystem::path(QFile::encodeName(path).toStdString());
    std::error_code ignored;
    const std::filesystem::path absolute = std::filesystem::absolute(asked, ignored);
    if (!absolute.empty() && absolute.lexically_normal() == std::filesystem::path(open)) {
        return true;
    }
    std::error_code notComparable;
    return std::filesystem::equivalent(asked, open, notComparable);
}

void CSundraApp::OnOpenRecentFile(int index) {
    const QStringList& entries = recentFiles_.entries();
    if (index < 0 || index >= entries.size()) {
        return;
    }
    if (!OpenDocumentFile(entries[index])) {
        // A recent file that no longer opens leaves the list.
        recentFiles_.remove(index);
        recentFiles_.save();
        frame_->setRecentFiles(recentFiles_.entries());
    }
}

void CSundraApp::OnAppAbout() {
    CAboutDlg about(frame_.get());
    about.exec();
}

void CSundraApp::documentChanged() {
    frame_->setDocumentTitle(QString::fromStdString(document_->title()));
    view_->OnInitialUpdate();
}

void CSundraApp::shutdown() {
    pendingHandOvers_.clear();
    if (handOverRetry_) {
        handOverRetry_->stop();
    }
    if (server_) {
        server_->close();
        delete server_;
    }
    if (frame_) {
        // Every change of the cuts was kept as it was made; at exit the last
        // of those writes is on disk before the program ends.
        if (view_ != nullptr) {
            view_->keptCutLists().flush();
            window_layout::save(*frame_, view_->splitter(), view_->settings().store());
        }
        frame_->hide();
        // The view goes with the frame and writes the settings as it goes.
        frame_.reset();
        view_ = nullptr;
    }
    document_.reset();
}

bool CSundraApp::handOver(const QString& path) {
    QLocalSocket socket;
    socket.connectToServer(options_.instanceServerName);
    if (!socket.waitForConnected(kHandOverTimeoutMs)) {
        return false;
    }
    socket.write(QFileInfo(path).absoluteFilePath().toUtf8() + '\n');
    if (!socket.waitForBytesWritten(kHandOverTimeoutMs)) {
        return false;
    }
    socket.disconnectFromServer();
    return true;
}

void CSundraApp::listenForHandOver() {
    server_ = new QLocalServer(this);
    if (!server_->listen(options_.instanceServerName)) {
        // A server left behind by a program that died: take its name over.
        QLocalServer::removeServer(options_.instanceServerName);
        if (!server_->listen(options_.instanceServerName)) {
            delete server_;
            return;
        }
    }
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                while (socket->canReadLine()) {
                    const QString path = QString::fromUtf8(socket->readLine()).trimmed();
                    if (!path.isEmpty()) {
                        receiveHandOver(path);
                    }
                }
            });
        }
    });
}

void CSundraApp::receiveHandOver(const QString& path) {
    if (!frame_) {
        return;
    }
    pendingHandOvers_.append(path);
    openPendingHandOvers();
}

bool CSundraApp::mayReplaceDocument() {
    // A cut being dragged on the waveform is moved in the rows when it is let
    // go: those must still be the rows it was picked up from.
    return QApplication::activeModalWidget() == nullptr && !frame_->commands().isRunning() &&
           !view_->waveform().dragging();
}

void CSundraApp::openPendingHandOvers() {
    if (!frame_ || pendingHandOvers_.isEmpty()) {
        return;
    }
    if (!mayReplaceDocument()) {
        if (!handOverRetry_) {
            handOverRetry_ = new QTimer(this);
            handOverRetry_->setInterval(kHandOverRetryMs);
            connect(handOverRetry_, &QTimer::timeout, this, &CSundraApp::openPendingHandOvers);
        }
        handOverRetry_->start();
        return;
    }
    if (handOverRetry_) {
        handOverRetry_->stop();
    }
    // One at a time: the message of a file that cannot be opened is itself a
    // modal window, behind which the rest waits again.
    while (frame_ && !pendingHandOvers_.isEmpty() && mayReplaceDocument()) {
        const QString path = pendingHandOvers_.takeFirst();
        frame_->raise();
        frame_->activateWindow();
        OpenDocumentFile(path);
    }
}
