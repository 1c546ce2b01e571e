#include "window/qv_make.h"

#include "pages/choice_page.h"
#include "pages/free_answer_page.h"
#include "paper/paper_commands.h"
#include "paper/paper_messages.h"
#include "paper/paper_model.h"
#include "paper/paper_score.h"
#include "platform/dialogs.h"
#include "ui_qv_make.h"

#include <QCloseEvent>
#include <QTimer>

namespace
{

// Asks whether the unsaved changes of the open paper, and an edit on a page
// not yet stored, may go. True when there are none, or the teacher answers OK.
bool may_discard_paper(bool unstored_edits)
{
    if (!paper_has_unsaved_changes() && !unstored_edits)
        return true;
    return platform::ask_ok_cancel(unstored_edits ? discard_typing_question()
                                                  : discard_changes_question());
}

// Marks a paper command as waiting for the teacher for as long as it runs.
class CommandWaiting
{
  public:
    explicit CommandWaiting(bool &flag) : flag_(flag) { flag_ = true; }
    ~CommandWaiting() { flag_ = false; }
    CommandWaiting(const CommandWaiting &) = delete;
    CommandWaiting &operator=(const CommandWaiting &) = delete;

  private:
    bool &flag_;
};

} // namespace

qv_make::qv_make(QWidget *parent) : QMainWindow(parent), ui(new Ui_qv_make)
{
    ui->setupUi(this);
    onech_ = std::make_unique<ChoicePage>(
        onech_table, onech_count, onech_current,
        ChoicePageWidgets{
            ui->onech_num,
            ui->onech_pro_in,
            ui->onech_score_in,
            nullptr,
            {ui->onech_A, ui->onech_B, ui->onech_C, ui->onech_D, ui->onech_E, ui->onech_F},
            {ui->onech_last, ui->onech_next, ui->onech_pro_in, ui->onech_save,
             ui->onech_score_in}});
    somech_ = std::make_unique<ChoicePage>(
        somech_table, somech_count, somech_current,
        ChoicePageWidgets{
            ui->somech_num,
            ui->somech_pro_in,
            ui->somech_scrig_in,
            ui->somech_scsor_in,
            {ui->somech_A, ui->somech_B, ui->somech_C, ui->somech_D, ui->somech_E, ui->somech_F},
            {ui->somech_last, ui->somech_next, ui->somech_pro_in, ui->somech_save,
             ui->somech_scrig_in, ui->somech_scsor_in}});
    unch_ = std::make_unique<FreeAnswerPage>(
        unch_table, unch_count, unch_current,
        FreeAnswerPageWidgets{ui->unch_num,
                              ui->unch_pro_in,
                              ui->unch_ans_in,
                              ui->unch_score_in,
                              {ui->unch_ans_in, ui->unch_last, ui->unch_next, ui->unch_pro_in,
                               ui->unch_save, ui->unch_score_in}});
}

qv_make::~qv_make()
{
    delete ui;
}

void show_main_window(qv_make &window)
{
    window.show();
    window.setWindowTitle(QStringLiteral("Kestrova2.0-出题端qv_make"));
}

// --- paper commands ---------------------------------------------------------

void qv_make::closeEvent(QCloseEvent *event)
{
    if (close_confirmed_ || (!command_waiting_ && !work_would_be_lost())) {
        event->accept();
        return;
    }
    event->ignore();
    if (command_waiting_)
        return; // a question is up: it is answered first
    // The question must not wait inside this handler: the toolkit takes a
    // close request that arrives while the window is still closing for one
    // that succeeded, and would destroy the native window whatever the answer.
    command_waiting_ = true;
    QTimer::singleShot(0, this, [this] { ask_before_closing(); });
}

void qv_make::ask_before_closing()
{
    bool discard = false;
    {
        CommandWaiting waiting(command_waiting_);
        discard = may_discard_paper(pages_hold_unstored_edits());
    }
    if (!discard)
        return;
    close_confirmed_ = true;
    close();
    close_confirmed_ = false;
}

void qv_make::on_new_paper_clicked()
{
    if (command_waiting_)
        return;
    CommandWaiting waiting(command_waiting_);
    const QString folder = platform::choose_folder(QStringLiteral("指定新建试卷所在的文件夹"));
    if (folder.isEmpty())
        return;
    if (const CommandOutcome checked = check_new_paper_folder(folder); !checked.ok()) {
        platform::show_message(checked.message());
        return;
    }
    if (folder_holds_paper_files(folder) && !platform::ask_ok_cancel(replace_paper_question())) {
        return;
    }
    const CommandOutcome outcome = create_empty_paper(folder);
    if (!outcome.ok())
        platform::show_message(outcome.message());
}

void qv_make::on_open_paper_clicked()
{
    if (command_waiting_)
        return;
    CommandWaiting waiting(command_waiting_);
    if (!may_discard_paper(pages_hold_unstored_edits()))
        return;
    const QString folder = platform::choose_folder(QStringLiteral("指定打开试卷所在的文件夹"));
    if (folder.isEmpty())
        return;
    if (const QString question = interrupted_save_question(folder); !question.isEmpty()) {
        if (!platform::ask_ok_cancel(question))
            return;
        if (const CommandOutcome finished = finish_interrupted_save_in(folder); !finished.ok()) {
            platform::show_message(finished.message());
            return;
        }
    }
    const CommandOutcome outcome = open_paper_folder(folder);
    if (!outcome.ok()) {
        platform::show_message(outcome.message());
        return;
    }
    show_opened_paper();
}

void qv_make::on_save_paper_clicked()
{
    const CommandOutcome outcome = save_open_paper();
    if (!outcome.ok())
        platform::show_message(outcome.message());
}

void qv_make::on_close_paper_clicked()
{
    if (command_waiting_)
        return;
    CommandWaiting waiting(command_waiting_);
    // The box does not block the window: the teacher may save while it is up.
    if (!platform::ask_ok_cancel(close_paper_question()))
        return;
    show_no_paper();
}

// The counts already hold the paper's numbers when the spin boxes take them,
// so their slots at most clear a page or pull its question down; each page
// with questions then starts at question 1.
void qv_make::show_opened_paper()
{
    show_paper_total();
    set_paper_controls_enabled(true);
    ui->onech_in->setValue(onech_count);
    ui->somech_in->setValue(somech_count);
    ui->unch_in->setValue(unch_count);
    if (onech_count > 0) {
        enable_onech_page();
        show_onech_question(1);
    }
    if (somech_count > 0) {
        enable_somech_page();
        show_somech_question(1);
    }
    if (unch_count > 0) {
        enable_unch_page();
        show_unch_question(1);
    }
}

void qv_make::show_no_paper()
{
    ui->total_sum->setText(no_paper_line());
    set_paper_controls_enabled(false);
    ui->onech_in->setValue(0);
    ui->somech_in->setValue(0);
    ui->unch_in->setValue(0);
    clear_onech_page();
    clear_somech_page();
    clear_unch_page();
    reset_paper_model();
}

void qv_make::set_paper_controls_enabled(bool enabled)
{
    // In the order the paper controls are switched on opening and closing.
    const QList<QWidget *> controls = {ui->close_paper, ui->save_paper, ui->onech_in,
                                       ui->somech_in,   ui->unch_in,    ui->out_total};
    for (QWidget *control : controls)
        control->setEnabled(enabled);
}

bool qv_make::pages_hold_unstored_edits() const
{
    return onech_->has_unstored_edits() || somech_->has_unstored_edits() ||
           unch_->has_unstored_edits();
}

bool qv_make::work_would_be_lost() const
{
    return paper_has_unsaved_changes() || pages_hold_unstored_edits();
}

// --- total score ------------------------------------------------------------

void qv_make::on_out_total_clicked()
{
    show_paper_total();
}

void qv_make::show_paper_total()
{
    ui->total_sum->setText(total_line(open_paper_total()));
}

// --- question pages ---------------------------------------------------------

void qv_make::on_onech_in_valueChanged(int arg1)
{
    onech_->change_count(arg1);
}
void qv_make::on_somech_in_valueChanged(int arg1)
{
    somech_->change_count(arg1);
}
void qv_make::on_unch_in_valueChanged(int arg1)
{
    unch_->change_count(arg1);
}

void qv_make::on_onech_save_clicked()
{
    onech_->store();
}
void qv_make::on_somech_save_clicked()
{
    somech_->store();
}
void qv_make::on_unch_save_clicked()
{
    unch_->store();
}

void qv_make::on_onech_last_clicked()
{
    onech_->show_previous();
}
void qv_make::on_onech_next_clicked()
{
    onech_->show_next();
}
void qv_make::on_somech_last_clicked()
{
    somech_->show_previous();
}
void qv_make::on_somech_next_clicked()
{
    somech_->show_next();
}
void qv_make::on_unch_last_clicked()
{
    unch_->show_previous();
}
void qv_make::on_unch_next_clicked()
{
    unch_->show_next();
}

void qv_make::show_onech_question(int k)
{
    onech_->show_question(k);
}
void qv_make::show_somech_question(int k)
{
    somech_->show_question(k);
}
void qv_make::show_unch_question(int k)
{
    unch_->show_question(k);
}
void qv_make::clear_onech_page()
{
    onech_->clear();
}
void qv_make::clear_somech_page()
{
    somech_->clear();
}
void qv_make::clear_unch_page()
{
    unch_->clear();
}
void qv_make::enable_onech_page()
{
    onech_->enable();
}
void qv_make::enable_somech_page()
{
    somech_->enable();
}
void qv_make::enable_unch_page()
{
    unch_->enable();
}
