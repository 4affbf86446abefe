#include "dialogs/specify_commands.hpp"

#include "dialogs/definition_dialogs.hpp"
#include "dialogs/property_dialog.hpp"
#include "model/selection.hpp"

namespace kova::ui {
namespace {

// The node-specification choice of Potential Flow, kept while the program runs.
bool g_singularChoice = false;

void Show(QDialog* dialog, Problem& problem, const std::function<void()>& done) {
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    QObject::connect(dialog, &QDialog::finished, dialog, [&problem, done](int) {
        ClearSelection(problem);
        if (done) done();
    });
    dialog->open();
}

}  // namespace

bool OpenSpecifyDialog(QWidget* parent, Problem& problem, Cmd cmd, std::function<void()> done) {
    const ProbTypeA subject = problem.settings.subject;
    const SelectType kind = problem.selection.state;
    QDialog* dialog = nullptr;
    switch (cmd) {
        case Cmd::MaterialProperties:
            dialog = new TSetPropDlg(problem, parent);
            break;
        case Cmd::Generation:
            dialog = new TSetGenDlg(problem, parent);
            break;
        case Cmd::InitialConditions:
            dialog = new TSetInitDlg(problem, parent);
            break;
        case Cmd::BloodProperties:
            if (subject == ProbTypeA::Bio) dialog = new TBloodPropDlg(problem, parent);
            if (subject == ProbTypeA::ThinFins && kind == SelectType::Frames)
                dialog = new TFinSurfacePropDlg(problem, parent);
            break;
        case Cmd::BoundaryConditions:
            if (kind == SelectType::Bounds) {
                dialog = new TSetBoundDlg(problem, parent);
            } else if (kind == SelectType::Lumps) {
                dialog = new TSetNodeDlg(problem, parent);
            } else if (kind == SelectType::Points && subject != ProbTypeA::Potential) {
                dialog = new TSetNodeDlg(problem, parent);
            } else if (kind == SelectType::Points) {
                auto* choice = new TPotentialSpecDlg(g_singularChoice, parent);
                choice->setAttribute(Qt::WA_DeleteOnClose);
                choice->setWindowModality(Qt::WindowModal);
                QObject::connect(choice, &QDialog::finished, choice,
                                 [parent, &problem, done](int result) {
                                     if (result != QDialog::Accepted) {
                                         ClearSelection(problem);
                                         if (done) done();
                                         return;
                                     }
                                     QDialog* next = nullptr;
                                     if (g_singularChoice)
                                         next = new TSingularDlg(problem, parent);
                                     else
                                         next = new TSetNodeDlg(problem, parent);
                                     Show(next, problem, done);
                                 });
                choice->open();
                return true;
            }
            break;
        default:
            break;
    }
    if (dialog == nullptr) return false;
    Show(dialog, problem, done);
    return true;
}

}  // namespace kova::ui
