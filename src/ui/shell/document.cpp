#include "shell/document.hpp"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QSettings>
#include <QThread>
#include <QWidget>
#include <filesystem>
#include <utility>

#include "files/problem_file.hpp"
#include "model/messages.hpp"
#include "model/subjects.hpp"

namespace kova::ui {
namespace {

constexpr int kRecentLimit = 8;
constexpr const char* kRecentKey = "recentFiles";

// Whether the permission bits let the user write; unlike access(), this also refuses
// for a user who could override them, so the answer does not depend on who runs us.
bool PermitsWriting(const QString& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::perms p = fs::status(path.toStdString(), ec).permissions();
    return !ec && (p & fs::perms::owner_write) != fs::perms::none;
}

}  // namespace

bool QtKeyState::ShiftHeld() const {
    return (QApplication::queryKeyboardModifiers() & Qt::ShiftModifier) != 0;
}

bool QtKeyState::CtrlHeld() const {
    return (QApplication::queryKeyboardModifiers() & Qt::ControlModifier) != 0;
}

std::uint64_t WallClock::TickMilliseconds() const {
    return static_cast<std::uint64_t>(QDateTime::currentMSecsSinceEpoch());
}

std::string WallClock::DateTimeText() const {
    return QDateTime::currentDateTime().toString("dd/MM/yyyy hh:mm").toStdString();
}

Document::Document(QObject* parent) : QObject(parent), m_problem(std::make_unique<Problem>()) {
    m_problem->SetReporter(this);
}

Document::~Document() {
    if (m_worker != nullptr) {
        m_worker->wait();
        delete m_worker;
    }
    m_problem->SetReporter(nullptr);
}

void Document::OnWindowThread(const std::function<void()>& f) {
    if (QThread::currentThread() == thread()) {
        f();
        return;
    }
    QMetaObject::invokeMethod(this, f, Qt::BlockingQueuedConnection);
}

void Document::Beep() {
    OnWindowThread([this] {
        ++beeps;
        if (!answerHook) QApplication::beep();
    });
}

Answer Document::AskQuestion(const QString& title, const QString& text, bool withCancel) {
    Answer answer = Answer::No;
    OnWindowThread([&] {
        if (answerHook) {
            answer = answerHook(title, text);
            return;
        }
        QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
        if (withCancel) buttons |= QMessageBox::Cancel;
        QMessageBox box(QMessageBox::Warning, title, text, buttons, m_dialogParent);
        const int r = box.exec();
        answer = r == QMessageBox::Yes  ? Answer::Yes
                 : r == QMessageBox::No ? Answer::No
                                        : Answer::Cancel;
    });
    return answer;
}

Answer Document::Ask(const std::string& text, bool withCancel) {
    return AskQuestion("KOVA", QString::fromStdString(text), withCancel);
}

void Document::DoShowError(const std::string& text) {
    const QString message = QString::fromStdString(text);
    OnWindowThread([this, message] {
        errorsShown << message;
        if (errorHook) {
            errorHook(message);
            return;
        }
        if (answerHook) return;  // tests that answer questions take no boxes either
        QMessageBox box(QMessageBox::Critical, "Error", message, QMessageBox::Ok, m_dialogParent);
        box.exec();
    });
}

void Document::DoShowStatusText(const std::string& text, StatusPanel panel) {
    // Status lines never hold the worker: they are queued.
    const QString t = QString::fromStdString(text);
    const int p = static_cast<int>(panel);
    QMetaObject::invokeMethod(
        this, [this, p, t] { emit statusTextChanged(p, t); }, Qt::AutoConnection);
}

void Document::DoSetBusy(bool busy) {
    QMetaObject::invokeMethod(
        this, [this, busy] { emit busyChanged(busy); }, Qt::AutoConnection);
}

bool Document::ReadaFile(const QString& path) {
    // The file is read into a problem of its own, so that a file that cannot be read
    // leaves the open problem as it was.
    auto fresh = std::make_unique<Problem>();
    fresh->view = m_problem->view;
    fresh->settings.displayNodeNumbers = m_problem->settings.displayNodeNumbers;
    fresh->settings.displayText = m_problem->settings.displayText;
    fresh->SetReporter(this);
    if (QFileInfo(path).isDir()) {
        ShowError("Cannot open file " + path.toStdString());
        return false;
    }
    BusyCursor busy(*this);
    if (!ReadProblemFile(*fresh, path.toStdString())) return false;
    // The loaded file's subject always counts as a change for the menus.
    m_problem->SetReporter(nullptr);
    m_problem = std::move(fresh);
    m_calc = CalculationState{};
    m_zoom = ZoomMemory{};
    m_problem->view.zoom = 1;
    m_problem->view.scrollX = m_problem->view.scrollY = 0;
    m_problem->settings.problemSaved = true;
    m_fileName = path;
    AddRecentFile(path);
    return true;
}

bool Document::WriteTo(const QString& path) {
    const QFileInfo info(path);
    if (info.exists() && !PermitsWriting(path)) {
        ShowError(GetMessage(MessageId::FileLocked));
        return false;
    }
    const QString folder = info.absolutePath();
    if (!QFileInfo(folder).isDir() || !PermitsWriting(folder)) {
        ShowError("Cannot open file " + path.toStdString());
        return false;
    }
    if (!WriteProblemFile(*m_problem, path.toStdString())) return false;
    m_fileName = path;
    return true;
}

void Document::NewProblem() {
    ApplySubjectChange(*m_problem, m_problem->settings.subject, false);
    m_calc = CalculationState{};
    m_fileName = "untitled";
}

void Document::AddRecentFile(const QString& path) {
    m_recent.removeAll(path);
    if (path.size() > 3) m_recent.append(path);
    while (m_recent.size() > kRecentLimit) m_recent.removeFirst();
    SaveRecentFiles();
}

void Document::RemoveRecentFile(const QString& path) {
    m_recent.removeAll(path);
    SaveRecentFiles();
}

void Document::LoadRecentFiles() {
    QSettings settings;
    m_recent = settings.value(kRecentKey).toStringList();
    while (m_recent.size() > kRecentLimit) m_recent.removeFirst();
}

void Document::SaveRecentFiles() const {
    QSettings settings;
    settings.setValue(kRecentKey, m_recent);
}

bool Document::StartCalculation(bool continueRun, std::function<bool()> transientSetup,
                                RunProgress* progress) {
    if (m_running) return false;
    if (m_worker != nullptr) {
        m_worker->wait();
        delete m_worker;
        m_worker = nullptr;
    }
    m_running = true;
    m_calc.continueRun = continueRun;
    m_outcome = CalculationOutcome{};
    m_hooks = CalculationHooks{};
    m_hooks.progress = progress;
    m_hooks.clock = &m_clock;
    m_hooks.transientSetup = std::move(transientSetup);
    // The check, the transient set-up dialog and the opening of the progress display
    // belong to the window: they run here, before the worker takes the problem.
    m_prepared = PrepareCalculation(*m_problem, m_calc, m_hooks);
    // Taken before the worker owns the calculation state.
    m_runBandwidth = m_calc.bandwidth;
    if (!m_prepared.ready) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_running = false;
                emit runFinished();
            },
            Qt::QueuedConnection);
        return true;
    }
    // Only the solve runs on the worker; its messages and progress reach the window
    // through the document's reporter and the progress display, both queued.
    m_worker = QThread::create([this, progress] { m_code = Solve(*m_problem, m_calc, progress); });
    connect(m_worker, &QThread::finished, this, [this] {
        m_outcome = FinishCalculation(*m_problem, m_calc, m_hooks, m_prepared, m_code);
        m_running = false;
        emit runFinished();
    });
    m_worker->start();
    return true;
}

}  // namespace kova::ui
