#pragma once
// The program's one main window. Every user action reaches it through one of
// its seventeen slots, connected by object name when the form is set up.

#include <QMainWindow>
#include <memory>

class Ui_qv_make;
class ChoicePage;
class FreeAnswerPage;

class qv_make : public QMainWindow
{
    Q_OBJECT

  public:
    explicit qv_make(QWidget *parent = nullptr);
    ~qv_make() override;

  protected:
    // Over unsaved changes the request is refused and the teacher asked; the
    // window closes again only on OK.
    void closeEvent(QCloseEvent *event) override;

  private slots:
    void on_new_paper_clicked();
    void on_open_paper_clicked();
    void on_onech_in_valueChanged(int arg1);
    void on_somech_in_valueChanged(int arg1);
    void on_unch_in_valueChanged(int arg1);
    void on_out_total_clicked();
    void on_onech_save_clicked();
    void on_somech_save_clicked();
    void on_unch_save_clicked();
    void on_onech_last_clicked();
    void on_onech_next_clicked();
    void on_somech_last_clicked();
    void on_somech_next_clicked();
    void on_unch_last_clicked();
    void on_unch_next_clicked();
    void on_close_paper_clicked();
    void on_save_paper_clicked();

  private:
    // Page operations, shared by the slots and by opening and closing a paper.
    void show_onech_question(int k);
    void show_somech_question(int k);
    void show_unch_question(int k);
    void clear_onech_page();
    void clear_somech_page();
    void clear_unch_page();
    void enable_onech_page();
    void enable_somech_page();
    void enable_unch_page();
    void show_paper_total();

    void show_opened_paper();
    void show_no_paper();
    void set_paper_controls_enabled(bool enabled);
    void ask_before_closing();
    bool pages_hold_unstored_edits() const;
    // Unsaved changes of the paper, or an edit on a page not stored into it.
    bool work_would_be_lost() const;

    // Set while a paper command (new, open, close paper, closing the window)
    // waits for the teacher: its question does not block the window, so the
    // same or another of them could be pressed meanwhile and run half-way.
    bool command_waiting_ = false;
    bool close_confirmed_ = false;

    Ui_qv_make *ui;
    std::unique_ptr<ChoicePage> onech_;
    std::unique_ptr<ChoicePage> somech_;
    std::unique_ptr<FreeAnswerPage> unch_;
};

// Shows the window, then gives it its final title, which replaces the form's
// provisional one.
void show_main_window(qv_make &window);
