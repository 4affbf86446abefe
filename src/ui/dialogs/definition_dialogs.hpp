// The smaller problem-definition dialogs: boundary conditions, generation, node values,
// initial values, blood properties, extended-surface conditions, the node specification
// choice, point singularities and the outline choice. Each is a form over the core's
// opening and OK functions (editing/*_dialog_logic).
#pragma once

#include <QListWidget>
#include <QRadioButton>
#include <array>

#include "dialogs/definition_dialog_base.hpp"
#include "editing/boundary_dialog_logic.hpp"
#include "editing/subject_dialog_logic.hpp"
#include "editing/value_dialog_logic.hpp"

namespace kova::ui {

class TSetBoundDlg : public DefinitionDialogBase {
    Q_OBJECT
public:
    TSetBoundDlg(Problem& problem, QWidget* parent = nullptr);
    QCheckBox *TempBox, *HeatFluxBox, *CoefBox;
    QLineEdit *TempEdit, *HeatFluxEdit, *CoefEdit, *FTempEdit;
    QLabel *FTempBox, *TempUnits, *HeatFluxUnits, *CoefUnits, *FTempUnits;
    QLabel *DensityLabel, *ValueLabel, *InfoL;

protected:
    DialogResult Apply() override;

private:
    Problem& m_problem;
    BoundaryDialogState m_state;
};

class TSetGenDlg : public DefinitionDialogBase {
    Q_OBJECT
public:
    TSetGenDlg(Problem& problem, QWidget* parent = nullptr);
    QLineEdit* GenEdit;
    QLabel* NoteL;

protected:
    DialogResult Apply() override;

private:
    Problem& m_problem;
    GenerationDialogState m_state;
};

class TSetNodeDlg : public DefinitionDialogBase {
    Q_OBJECT
public:
    TSetNodeDlg(Problem& problem, QWidget* parent = nullptr);
    QCheckBox* TempBox;
    QLineEdit *TempEdit, *XEdit, *YEdit;
    QLabel *TempUnits, *XLabel, *XUnits, *YLabel, *YUnits, *InfoL;

protected:
    DialogResult Apply() override;

private:
    Problem& m_problem;
    NodeDialogState m_state;
};

class TSetInitDlg : public DefinitionDialogBase {
    Q_OBJECT
public:
    TSetInitDlg(Problem& problem, QWidget* parent = nullptr);
    QLineEdit* TempEdit;
    QLabel* TempUnits;
    QCheckBox* NodesinAllBox;

protected:
    DialogResult Apply() override;

private:
    Problem& m_problem;
    InitialDialogState m_state;
};

class TBloodPropDlg : public DefinitionDialogBase {
    Q_OBJECT
public:
    TBloodPropDlg(Problem& problem, QWidget* parent = nullptr);
    QLineEdit *TempEdit, *SpecHeatEdit;
    QLabel *TempL, *TempU, *SpecHeatL, *SpecHeatU;

protected:
    DialogResult Apply() override;

private:
    Problem& m_problem;
    BloodDialogState m_state;
};

class TFinSurfacePropDlg : public DefinitionDialogBase {
    Q_OBJECT
public:
    TFinSurfacePropDlg(Problem& problem, QWidget* parent = nullptr);
    QLineEdit *FinConvCoefEdit, *TempEdit, *FinHeatFluxEdit;
    QLabel *Label1, *ConvCoefU, *TempL, *TempU, *SpecHeatL, *HeatFluxU;

protected:
    DialogResult Apply() override;

private:
    Problem& m_problem;
    FinDialogState m_state;
};

// "Choose Node Specification": `singular` is the remembered choice, updated at OK.
class TPotentialSpecDlg : public DefinitionDialogBase {
    Q_OBJECT
public:
    TPotentialSpecDlg(bool& singular, QWidget* parent = nullptr);
    QRadioButton *StreamBtn, *SingularBtn;

protected:
    DialogResult Apply() override;

private:
    bool& m_singular;
};

class TSingularDlg : public DefinitionDialogBase {
    Q_OBJECT
public:
    TSingularDlg(Problem& problem, QWidget* parent = nullptr);
    std::array<QCheckBox*, kSingularKinds> boxes{};
    std::array<QLineEdit*, kSingularKinds> edits{};

protected:
    DialogResult Apply() override;

private:
    Problem& m_problem;
    SingularDialogState m_state;
};

// "Select Outline": the frames whose steady balances are combined into `balances`.
class TSelectFrameDlg : public DefinitionDialogBase {
    Q_OBJECT
public:
    TSelectFrameDlg(Problem& problem, ResultTable& balances, QWidget* parent = nullptr);
    QListWidget* FrameBox;

protected:
    DialogResult Apply() override;

private:
    Problem& m_problem;
    ResultTable& m_balances;
};

}  // namespace kova::ui
