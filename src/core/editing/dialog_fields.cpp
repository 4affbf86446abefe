#include "editing/dialog_fields.hpp"

#include <algorithm>

#include "expressions/compiler.hpp"
#include "expressions/evaluator.hpp"
#include "model/messages.hpp"
#include "model/number_format.hpp"

namespace kova {
namespace {

// Stands in for the problem's reporter while one field is read and passes everything
// on, remembering the last text shown so that the dialog can repeat it at its foot.
// The error box beeps by itself, so a beep is held back until it is clear whether an
// error box follows it.
class WatchingReporter : public Reporter {
public:
    explicit WatchingReporter(Problem& problem) : m_problem(problem), m_inner(problem.reporter()) {
        m_problem.SetReporter(this);
    }
    ~WatchingReporter() override {
        Flush();
        m_problem.SetReporter(&m_inner);
    }
    WatchingReporter(const WatchingReporter&) = delete;
    WatchingReporter& operator=(const WatchingReporter&) = delete;

    void Beep() override {
        Flush();
        m_pendingBeep = true;
        m_beeped = true;
    }
    Answer Ask(const std::string& text, bool withCancel) override {
        Flush();
        return m_inner.Ask(text, withCancel);
    }

    const std::string& Shown() const { return m_shown; }
    bool Beeped() const { return m_beeped; }

protected:
    void DoShowError(const std::string& text) override {
        m_pendingBeep = false;
        m_inner.ShowError(text);
        m_shown = text;
    }
    void DoShowStatusText(const std::string& text, StatusPanel panel) override {
        Flush();
        m_inner.ShowStatusText(text, panel);
        if (panel == StatusPanel::Info && !text.empty()) m_shown = text;
    }
    void DoSetBusy(bool busy) override { m_inner.SetBusy(busy); }

private:
    void Flush() {
        if (m_pendingBeep) m_inner.Beep();
        m_pendingBeep = false;
    }

    Problem& m_problem;
    Reporter& m_inner;
    std::string m_shown;
    bool m_pendingBeep = false;
    bool m_beeped = false;
};

// The table text for a compile failure whose reason the compiler does not show itself.
std::string FallbackMessage(int code, const std::string& text) {
    switch (code) {
        case kCompileIllegal:
            return IsPlainNumberText(text) ? GetMessage(MessageId::IllegalEntry)
                                           : GetMessage(MessageId::IllegalCharacter) + text;
        case kCompileMissingOperand:
            return GetMessage(MessageId::MissingOperatorOrIllegalCharacter) + text;
        case kCompileTooLong:
            return GetMessage(MessageId::EquationTooComplex);
        case kCompileBadNumber:
            return GetMessage(MessageId::IllegalExpression) + text;
        default:
            return GetMessage(MessageId::IllegalEntry);
    }
}

// A NumberField over a typed text; the form selects the field the result names.
class TextField : public NumberField {
public:
    explicit TextField(std::string text) : m_text(std::move(text)) {}
    std::string Text() const override { return m_text; }
    void SelectAllAndFocus() override {}

private:
    std::string m_text;
};

}  // namespace

void TickedField::LeaveField() {
    ticked = !WithoutSpaces(field.text).empty();
}

void TickedField::SetTicked(bool on) {
    ticked = on;
    if (!on) field.text.clear();
}

std::string WithoutSpaces(const std::string& text) {
    std::string out = text;
    std::erase(out, ' ');
    return out;
}

std::string StoredSpecText(const Problem& problem, int index) {
    if (index < 1 || index > problem.specs.Count()) return {};
    return problem.specs[index].text;
}

void Refuse(Problem& problem, const std::string& field, const std::string& message,
            DialogResult& result) {
    problem.reporter().Beep();
    problem.reporter().ShowStatusText(message, StatusPanel::Info);
    result.ok = false;
    result.field = field;
    result.message = message;
}

namespace {

// Ends a failed reading: the field is named, the message is the one the compiler showed
// or else the table text for the code, and the beep has sounded once.
void SettleFailure(Problem& problem, int code, const std::string& shown, bool beeped,
                   const std::string& text, const std::string& field, DialogResult& result) {
    result.ok = false;
    result.field = field;
    // One beep in all: the compiler may have beeped without showing a text.
    if (!beeped) problem.reporter().Beep();
    if (shown.empty()) {
        result.message = FallbackMessage(code, text);
        problem.reporter().ShowStatusText(result.message, StatusPanel::Info);
    } else {
        result.message = shown;
    }
    problem.errorCode = code;
}

bool TooLong(Problem& problem, const std::string& bare, const std::string& field,
             DialogResult& result) {
    if (bare.size() <= static_cast<std::size_t>(kSpecTextCapacity)) return false;
    Refuse(problem, field, GetMessage(MessageId::EquationTooLong), result);
    problem.errorCode = MessageNumber(MessageId::EquationTooLong);
    return true;
}

}  // namespace

int ReadSpecField(Problem& problem, int kind, const std::string& text, const std::string& field,
                  DialogResult& result) {
    const std::string bare = WithoutSpaces(text);
    if (TooLong(problem, bare, field, result)) return 0;
    std::string shown;
    bool beeped = false;
    int index = 0;
    {
        WatchingReporter watch(problem);
        index = FindOrAddSpec(problem, kind, false, bare, 0);
        shown = watch.Shown();
        beeped = watch.Beeped();
    }
    const int code = problem.errorCode;
    if (code == kCompileOk) return index;
    SettleFailure(problem, code, shown, beeped, bare, field, result);
    return 0;
}

bool CompileMaterialField(Problem& problem, const std::string& text, BoundarySpec& block,
                          bool positionCheck, const std::string& field, DialogResult& result) {
    const std::string bare = WithoutSpaces(text);
    if (TooLong(problem, bare, field, result)) return false;
    problem.errorCode = kCompileOk;
    if (IsPlainNumberText(bare)) {
        const std::optional<Real> number = ParseDecimal(bare);
        if (!number) {
            SettleFailure(problem, kCompileIllegal, {}, false, bare, field, result);
            return false;
        }
        block.text = bare;
        block.constant = 1;
        block.compiled[0] = 0;
        block.value = *number;
        block.dependsOnPosition = block.dependsOnPotential = block.dependsOnTime = 0;
        return true;
    }
    BoundarySpec trial = block;
    trial.text = bare;
    trial.constant = 0;
    std::string shown;
    bool beeped = false;
    int code = kCompileOk;
    {
        WatchingReporter watch(problem);
        code = CompileExpression(problem, bare, trial);
        shown = watch.Shown();
        beeped = watch.Beeped();
    }
    if (code != kCompileOk) {
        SettleFailure(problem, code, shown, beeped, bare, field, result);
        return false;
    }
    if (positionCheck && !PositionCheck(problem, trial, " and/or ", field, result)) return false;
    {
        WatchingReporter watch(problem);
        trial.value = TrialEvaluation(problem, trial.compiled, code);
        shown = watch.Shown();
        beeped = watch.Beeped();
    }
    if (code != kCompileOk) {
        SettleFailure(problem, code, shown, beeped, bare, field, result);
        return false;
    }
    trial.constant = 0;
    block = trial;
    problem.errorCode = kCompileOk;
    return true;
}

bool PositionCheck(Problem& problem, const BoundarySpec& spec, const std::string& word,
                   const std::string& field, DialogResult& result) {
    if (spec.dependsOnPosition == 0) return true;
    const auto& axes = problem.settings.axisLetters;
    Refuse(problem, field, GetMessage(MessageId::CannotBeFunctionOf) + axes[0] + word + axes[1],
           result);
    problem.errorCode = MessageNumber(MessageId::CannotBeFunctionOf);
    return false;
}

bool ReadNumberText(Problem& problem, const std::string& text, Real minimum, Real maximum, int mode,
                    const std::string& field, DialogResult& result, Real& value) {
    TextField input(text);
    const FieldNumber read = ReadNumberField(input, minimum, maximum, mode, problem.reporter());
    if (read.ok) {
        value = read.value;
        return true;
    }
    result.ok = false;
    result.field = field;
    result.message = problem.reporter().StatusText(StatusPanel::Info);
    return false;
}

std::vector<std::string> FrameListTexts(const Problem& problem) {
    std::vector<std::string> out;
    for (int k = 1; k <= problem.frameCount; ++k) {
        const Material* m = problem.MaterialAt(problem.frames[k].material);
        out.push_back(std::to_string(k) + ". " + (m ? m->name : std::string()));
    }
    return out;
}

std::vector<int> SelectedFrames(const Problem& problem) {
    const int n = problem.nodes.Count();
    std::vector<int> out;
    for (const SelectRec& item : problem.selection.items) {
        int k = 0;
        switch (problem.selection.state) {
            case SelectType::Frames:
                k = item.selectNo;
                break;
            case SelectType::Lumps:
            case SelectType::Points:
                k = item.selectNo > n ? item.selectNo - n : 0;
                break;
            default:
                break;
        }
        if (problem.ValidFrame(k)) out.push_back(k);
    }
    return out;
}

std::string CutToCharacters(const std::string& text, std::size_t limit) {
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        // A byte that does not continue a UTF-8 sequence starts a character.
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            if (chars == limit) return text.substr(0, i);
            ++chars;
        }
    }
    return text;
}

}  // namespace kova
