#pragma once

#include <QWidget>

#include <memory>

class QLabel;
class QPushButton;
class Prompter;
class Shell;
struct ProgramValues;

// The About box: product name, version, copyright and the maker's addresses.
class TAboutForm : public QWidget {
    Q_OBJECT

public:
    // Without a prompter, the box shows its own message boxes.
    TAboutForm(const ProgramValues& program, Shell& shell, QWidget* mainWindow, Prompter* prompter = nullptr);
    ~TAboutForm() override;

    // Shows the box centred over the main window, which takes no input until it closes.
    void showOver(QWidget* mainWindow);

    QLabel* labProgramName = nullptr;
    QLabel* labVersion = nullptr;
    QLabel* labCopyright = nullptr;
    QLabel* labRightsReserved = nullptr;
    QLabel* labVisitWebsite = nullptr;
    QLabel* labWebsite = nullptr;
    QPushButton* btnTech = nullptr;
    QPushButton* btnSales = nullptr;
    QPushButton* btnOK = nullptr;

    void btnOKClick();
    void labWebsiteClick();
    void btnTechClick();
    void btnSalesClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void FormCreate(const ProgramValues& program);

    Shell& m_shell;
    std::unique_ptr<Prompter> m_ownPrompter;
    Prompter* m_prompter;
};
