#pragma once
// The main window: draws the state of HamaraForm and forwards every click to its handler.

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

#include "app/hamara_form.h"
#include "qt/qt_port.h"

namespace zivron::qt {

class MainWindow : public QWidget {
  public:
    MainWindow(QtPort& port, std::unique_ptr<HamaraForm> form);

    HamaraForm& form() { return *form_; }
    // Every control by the name the program gives it, for the tests.
    QPushButton* Button(const QString& name) const;
    QLineEdit* Box(int index) const { return boxes_[static_cast<std::size_t>(index)]; }

    // Copies the controls into the form, runs a handler, draws the form again.
    void Press(const std::function<void()>& handler);
    void Draw();

  protected:
    bool event(QEvent* e) override;

  private:
    QWidget* CreditPanel();
    QWidget* CollectionPanel();
    QWidget* InstitutionPanel();
    QWidget* TopBar();
    QWidget* ImportOptions(CheckBox& fix, CheckBox& accounts, CheckBox& ids,
                           CheckBox& current_rules, const QString& ids_caption);
    void Import(const std::function<void()>& handler);
    QWidget* Summary(const std::array<int, 5>& boxes);
    QWidget* ExcelArchive(int archive_button, CheckBox& detail, CheckBox& summary);
    QPushButton* MakeButton(const QString& name, const QString& caption,
                            const std::function<void()>& handler, const QString& tip = {});
    QLineEdit* MakeBox(int index, int max_length = 0, const QString& tip = {});
    QCheckBox* MakeCheck(CheckBox& state, const QString& caption, const QString& tip = {},
                         const sheet::Rgb* colour = nullptr);
    QComboBox* MakeCombo(ComboBox& state);
    void Pull();
    void DrawLabels();

    QtPort& port_;
    std::unique_ptr<HamaraForm> form_;
    std::array<QLineEdit*, 17> boxes_{};
    std::vector<std::pair<QCheckBox*, CheckBox*>> checks_;
    std::vector<std::pair<QComboBox*, ComboBox*>> combos_;
    QListWidget* list_ = nullptr;
    QLabel* account_ = nullptr;
    QLabel* elapsed_ = nullptr;
    QLabel* clock_ = nullptr;
    QLabel* service_state_ = nullptr;   // "לא מקוון" while the service is away
    QProgressBar* progress_ = nullptr;  // rows done of rows found, while an import runs
    QElapsedTimer redrawn_;
    QPushButton* edit_ = nullptr;
    QPushButton* remove_ = nullptr;
    QTimer timer_;
    bool drawing_ = false;
};

}  // namespace zivron::qt
