#include "paper/paper_messages.h"

#include "paper/paper_encoding.h"
#include "paper/paper_score.h"

#include <QDir>
#include <QFileInfo>
#include <QTextCodec>

#include <cerrno>

#ifdef Q_OS_WIN
#include "paper/windows_api.h"
#endif

namespace
{

QString shown_path(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// The teacher reads Chinese: a system error is told in Chinese, with the
// system's own words after it for whoever helps her.
QString told_in_chinese(const QString &chinese, const QString &system_text)
{
    return system_text.isEmpty() || system_text == chinese
               ? chinese
               : QStringLiteral("%1（%2）").arg(chinese, system_text);
}

#ifdef Q_OS_WIN

QString chinese_reason(long code)
{
    switch (DWORD(code)) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return QStringLiteral("文件或文件夹不存在");
    case ERROR_ACCESS_DENIED:
        return QStringLiteral("没有权限");
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return QStringLiteral("文件正被另一个程序使用");
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return QStringLiteral("磁盘空间已满");
    case ERROR_WRITE_PROTECT:
        return QStringLiteral("磁盘有写保护");
    case ERROR_NOT_READY:
        return QStringLiteral("磁盘没有准备好");
    case ERROR_CRC:
    case ERROR_IO_DEVICE:
        return QStringLiteral("读写磁盘时出错");
    case ERROR_FILENAME_EXCED_RANGE:
        return QStringLiteral("文件名太长");
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return QStringLiteral("内存不足");
    default:
        return QStringLiteral("系统错误 %1").arg(code);
    }
}

// The system's own wording, in the system's language. The toolkit's
// qt_error_string reads a few Windows codes as C errno values (13, the
// invalid-data code, as "Permission denied").
QString system_text(long code)
{
    wchar_t *text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, DWORD(code), 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    const QString words =
        length > 0 ? QString::fromWCharArray(text, int(length)).trimmed() : QString();
    LocalFree(text);
    return words;
}

bool is_permission_error(long code)
{
    return DWORD(code) == ERROR_ACCESS_DENIED;
}

#else

QString chinese_reason(long code)
{
    switch (code) {
    case ENOENT:
        return QStringLiteral("文件或文件夹不存在");
    case EACCES:
    case EPERM:
        return QStringLiteral("没有权限");
    case ENOSPC:
        return QStringLiteral("磁盘空间已满");
    case EDQUOT:
        return QStringLiteral("超出了磁盘配额");
    case EROFS:
        return QStringLiteral("磁盘是只读的");
    case EIO:
        return QStringLiteral("读写磁盘时出错");
    case EISDIR:
        return QStringLiteral("这是一个文件夹");
    case ENOTDIR:
        return QStringLiteral("路径中有一项不是文件夹");
    case ENAMETOOLONG:
        return QStringLiteral("文件名太长");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("打开的文件太多");
    case EBUSY:
    case ETXTBSY:
        return QStringLiteral("文件正被使用");
    case EFBIG:
        return QStringLiteral("文件太大");
    case ENOMEM:
        return QStringLiteral("内存不足");
    default:
        return QStringLiteral("系统错误 %1").arg(code);
    }
}

QString system_text(long code)
{
    return qt_error_string(int(code));
}

bool is_permission_error(long code)
{
    return code == EACCES || code == EPERM;
}

#endif

QString system_reason(const SystemError &error)
{
    switch (error.kind) {
    case SystemError::Kind::ReadFailed:
        return told_in_chinese(QStringLiteral("读取时出错"), error.detail);
    case SystemError::Kind::ReadOnlyFile:
        return QStringLiteral("它是只读文件");
    case SystemError::Kind::HeldOpen:
        return QStringLiteral("另一个程序正打开着它，请先在那个程序中关闭它");
    case SystemError::Kind::Code:
        break;
    }
    return told_in_chinese(chinese_reason(error.code), system_text(error.code));
}

// The permission missing when a file is there but cannot be opened is the
// permission to read.
QString reading_reason(const SystemError &error)
{
    if (error.kind != SystemError::Kind::Code || !is_permission_error(error.code))
        return system_reason(error);
    return told_in_chinese(QStringLiteral("没有读取权限"), system_text(error.code));
}

QString file_type_name(FileType type)
{
    switch (type) {
    case FileType::Folder:
        return QStringLiteral("一个文件夹");
    case FileType::Fifo:
        return QStringLiteral("一个命名管道（FIFO）");
    case FileType::Device:
        return QStringLiteral("一个设备");
    case FileType::Socket:
        return QStringLiteral("一个套接字");
    case FileType::Special:
        break;
    }
    return QStringLiteral("一个特殊文件");
}

QString action_words(PaperAction action)
{
    switch (action) {
    case PaperAction::Open:
        return QStringLiteral("打开其中的试卷");
    case PaperAction::Create:
        return QStringLiteral("在其中新建试卷");
    case PaperAction::Save:
        break;
    }
    return QStringLiteral("保存试卷");
}

// "第 3 道多选题的少选分数"; a text field read from a file is its "文字".
QString read_place(const QuestionPlace &place)
{
    if (place.field == QuestionField::Count)
        return kind_name(place.kind) + QStringLiteral("数量");
    const bool text =
        place.field == QuestionField::Problem || place.field == QuestionField::AnswerText;
    return QStringLiteral("第 %1 道%2的%3%4")
        .arg(QString::number(place.number), kind_name(place.kind), field_name(place.field),
             text ? QStringLiteral("文字") : QString());
}

// What a message quotes from a file: characters that cannot be seen (a
// byte-order mark, NUL, other control and format characters) are named.
QString visible(const QString &quoted)
{
    QString shown;
    for (const QChar c : quoted) {
        const QChar::Category category = c.category();
        if (category == QChar::Other_Control || category == QChar::Other_Format ||
            category == QChar::Separator_Line || category == QChar::Separator_Paragraph)
            shown += QLatin1Char('[') + code_point_label(QString(c)) + QLatin1Char(']');
        else
            shown += c;
    }
    return shown;
}

QString content_fault(const PaperError &error)
{
    using What = PaperError::What;
    const QString place = read_place(error.place);
    switch (error.what) {
    case What::CountOutOfRange:
        return QStringLiteral("%1应在 0 到 %2 之间，实际为 %3")
            .arg(place, QString::number(kMaxQuestions), error.found);
    case What::TextWithoutStart:
        return place + QStringLiteral("缺少开头的“@”（文件提前结束）");
    case What::TextWithoutEnd:
        return place + QStringLiteral("缺少结尾的“$”（文件提前结束）");
    case What::TextUndecodable:
        return place + QStringLiteral("所用的文字编码无法识别（既不是 UTF-8，也不是 %1），"
                                      "本程序无法原样读出它")
                           .arg(error.encoding);
    case What::NumberMissing:
        return place + QStringLiteral("处应为一个数字（文件提前结束）");
    default:
        break;
    }
    return place + QStringLiteral("处应为一个数字，实际为“%1”").arg(visible(error.found));
}

QString unfit_reason(const PaperError &error)
{
    switch (error.unfit) {
    case PaperError::Unfit::SymbolicLink:
        return QStringLiteral("是一个符号链接，不是 qv_make 写下的文件");
    case PaperError::Unfit::NotRegularFile:
        return QStringLiteral("不是一个普通文件");
    case PaperError::Unfit::WrongSize:
        return QStringLiteral("的大小与记录不符（应为 %1 字节）").arg(error.found);
    case PaperError::Unfit::Unreadable:
        break;
    }
    return QStringLiteral("无法读取");
}

QString interrupted_save_text(const PaperError &error)
{
    if (error.what == PaperError::What::TemporaryUnfit)
        return QStringLiteral("上次保存被中断，但记录中的临时文件 %1 %2，不能用它完成这次保存；"
                              "什么也没有改动。请检查文件夹 %3 中的文件；确认无误后删除 %4，"
                              "再打开试卷。")
            .arg(shown_path(error.temporary), unfit_reason(error),
                 shown_path(QFileInfo(error.record).absolutePath()), shown_path(error.record));
    if (error.what == PaperError::What::SaveUnclear)
        return QStringLiteral(
                   "上次保存被中断，而且文件夹中的文件在那之后又被改动过，无法确定哪些文件"
                   "是配套的。请检查文件夹 %1 中的 problem.prb、answer.ans 和以 "
                   "“.qv_make-”开头的文件；确认无误后删除 %2，再打开试卷。")
            .arg(shown_path(QFileInfo(error.record).absolutePath()), shown_path(error.record));
    if (error.files_replaced == 0)
        return QStringLiteral("上次保存被中断：新的 problem.prb 和 answer.ans 已经完整地写在 %1 和 "
                              "%2 中，但还没有替换原来的文件；原来的两个文件是配套的。")
            .arg(shown_path(error.waiting[0]), shown_path(error.waiting[1]));
    return QStringLiteral("上次保存被中断：problem.prb 已经是新的，answer.ans 还是原来的，"
                          "两个文件不配套；新的 answer.ans 完整地保存在 %1 中。")
        .arg(shown_path(error.waiting[1]));
}

// Where a text that cannot be saved is: "第 2 道非选择题的答案".
QString unwritable_place(const QuestionPlace &place)
{
    return QStringLiteral("第 %1 道%2的%3")
        .arg(QString::number(place.number), kind_name(place.kind), field_name(place.field));
}

// A lone surrogate cannot be shown, nor a control character seen.
QString shown_character(const QString &character)
{
    if (character.size() == 1 &&
        (character[0].isSurrogate() || character[0].category() == QChar::Other_Control))
        return QStringLiteral("�");
    return character;
}

QString unwritable_text_message(const PaperError &error)
{
    const QString place = unwritable_place(error.place);
    const QString reason = unwritable_reason(error);
    switch (error.unwritable) {
    case PaperError::Unwritable::DollarSign:
        return place + QStringLiteral("中") + reason + QStringLiteral("。请删去它后再保存。");
    case PaperError::Unwritable::TooLong:
        return place + reason + QStringLiteral("。请缩短它后再保存。");
    case PaperError::Unwritable::NotInEncoding:
        break;
    }
    return place + QStringLiteral("中") + reason + QStringLiteral("。请删去或换掉它后再保存。");
}

QString wide_encoding_message(const PaperError &error)
{
    const QString notepad = error.encoding == QLatin1String("UTF-16")
                                ? QStringLiteral("（Windows 记事本所说的“Unicode”）")
                                : QString();
    return QStringLiteral("试卷文件 %1 是 %2 编码的文本%3，qv_make 读不了这种编码。"
                          "请用记事本或其他文本编辑器打开它，另存为 ANSI（GBK）或 UTF-8 "
                          "编码，然后再打开这份试卷。")
        .arg(error.path, error.encoding, notepad);
}

QString reading_message(const PaperError &error)
{
    using What = PaperError::What;
    switch (error.what) {
    case What::FileMissing:
        return QStringLiteral("所选择的文件夹下缺少%1文件").arg(error.path);
    case What::NotRegularFile:
        return QStringLiteral("试卷文件 %1 不是普通文件，而是%2，不能作为试卷打开。")
            .arg(shown_path(error.path), file_type_name(error.file_type));
    case What::FileTooLarge:
        return QStringLiteral("%1 太大，不是一份试卷文件。").arg(shown_path(error.path));
    case What::CannotRead:
        return QStringLiteral("无法读取试卷文件 %1：%2")
            .arg(shown_path(error.path), reading_reason(error.system));
    case What::WideEncoding:
        return wide_encoding_message(error);
    case What::MixedEncodings:
        return QStringLiteral("试卷的两个文件编码不同：problem.prb 是 %1，answer.ans 是 %2。"
                              "一份试卷的两个文件是一起保存的，编码相同；请确认它们属于同一份"
                              "试卷，并把其中一个另存为与另一个相同的编码。")
            .arg(error.encoding, error.other_encoding);
    default:
        break;
    }
    return QStringLiteral("试卷文件 %1 有误：%2。").arg(error.path, content_fault(error));
}

QString folder_message(const PaperError &error)
{
    using What = PaperError::What;
    switch (error.what) {
    case What::FolderNameNotEncodable:
        return QStringLiteral("文件夹 %1 的名称中含有字符“%2”（%3），本机的文字编码 %4 "
                              "无法表示它，无法%5。请换一个文件夹，或把文件夹改名。")
            .arg(shown_path(error.path), error.found, code_point_label(error.found), error.encoding,
                 action_words(error.action));
    case What::PathTooLong:
        return QStringLiteral("所选择的文件夹路径太长，无法%1。").arg(action_words(error.action));
    case What::OutOfMemory:
        return QStringLiteral("内存不足，无法%1。")
            .arg(error.action == PaperAction::Open ? QStringLiteral("打开这份试卷")
                                                   : action_words(error.action));
    case What::SaveWaitsToBeFinished:
        return interrupted_save_text(error) +
               QStringLiteral("\n用 qv_make 打开这份试卷时确认，即可完成这次保存。");
    default:
        break;
    }
    return interrupted_save_text(error);
}

QString writing_message(const PaperError &error)
{
    using What = PaperError::What;
    const QString reason = system_reason(error.system);
    switch (error.what) {
    case What::TextUnwritable:
        return unwritable_text_message(error);
    case What::PaperUnwritable:
        return QStringLiteral("试卷中有无法保存的文字。");
    case What::SaveFailed:
        return QStringLiteral("无法保存 %1：%2\n原来的试卷文件没有改动。")
            .arg(shown_path(error.path), reason);
    case What::SaveNotOnDisk:
        return QStringLiteral("两个试卷文件都已替换，但无法确认文件夹 %1 已写入磁盘：%2\n"
                              "请解决问题后再保存一次。")
            .arg(shown_path(error.path), reason);
    case What::SavedRecordLeft:
        return QStringLiteral("试卷已经保存，但无法删除记录这次保存的文件 %1：%2\n"
                              "它不影响这份试卷；下次用 qv_make 打开这份试卷时会删除它。")
            .arg(shown_path(error.path), reason);
    case What::SaveHalfDone:
        return QStringLiteral(
                   "无法保存 %1：%2\n%3 已经保存，%1 仍是原来的内容；新的 %1 完整地保存在 "
                   "%4 中。下次打开这份试卷时 qv_make 会完成这次保存；也可以解决问题后"
                   "再保存一次。")
            .arg(shown_path(error.path), reason, shown_path(error.other_path),
                 shown_path(error.temporary));
    case What::FinishFailed:
        return QStringLiteral("无法完成上次被中断的保存：无法替换 %1：%2")
            .arg(shown_path(error.path), reason);
    case What::WriteFailed:
        return QStringLiteral("无法写入 %1：%2\n原来的文件没有改动。")
            .arg(shown_path(error.path), reason);
    case What::TooManyQuestions:
        return QStringLiteral("%1有 %2 道，一份试卷最多放 %3 道")
            .arg(kind_name(error.place.kind), error.found, QString::number(kMaxQuestions));
    case What::FolderNotMade:
        return QStringLiteral("无法建立文件夹 %1").arg(shown_path(error.path));
    default:
        break;
    }
    return QStringLiteral("已写入 %1，但无法确认文件夹 %2 已写入磁盘：%3")
        .arg(shown_path(error.path), shown_path(error.other_path), reason);
}

} // namespace

QString kind_name(QuestionKind kind)
{
    switch (kind) {
    case QuestionKind::SingleChoice:
        return QStringLiteral("单选题");
    case QuestionKind::MultipleChoice:
        return QStringLiteral("多选题");
    case QuestionKind::FreeAnswer:
        break;
    }
    return QStringLiteral("非选择题");
}

QString field_name(QuestionField field)
{
    switch (field) {
    case QuestionField::Count:
        return QStringLiteral("数量");
    case QuestionField::Score:
        return QStringLiteral("分数");
    case QuestionField::FullScore:
        return QStringLiteral("全对分数");
    case QuestionField::PartialScore:
        return QStringLiteral("少选分数");
    case QuestionField::Problem:
        return QStringLiteral("题面");
    case QuestionField::Answer:
    case QuestionField::AnswerText:
        break;
    }
    return QStringLiteral("答案");
}

QString paper_message(const PaperError &error)
{
    using What = PaperError::What;
    switch (error.what) {
    case What::None:
        return QString();
    case What::FileMissing:
    case What::NotRegularFile:
    case What::FileTooLarge:
    case What::CannotRead:
    case What::CountOutOfRange:
    case What::TextWithoutStart:
    case What::TextWithoutEnd:
    case What::TextUndecodable:
    case What::NumberMissing:
    case What::NotANumber:
    case What::WideEncoding:
    case What::MixedEncodings:
        return reading_message(error);
    case What::FolderNameNotEncodable:
    case What::PathTooLong:
    case What::OutOfMemory:
    case What::SaveWaitsToBeFinished:
    case What::SaveUnclear:
    case What::TemporaryUnfit:
        return folder_message(error);
    default:
        break;
    }
    return writing_message(error);
}

QString unwritable_reason(const PaperError &error)
{
    switch (error.unwritable) {
    case PaperError::Unwritable::DollarSign:
        return QStringLiteral("含有“$”，试卷文件无法保存这个字符");
    case PaperError::Unwritable::TooLong:
        return QStringLiteral(
                   "太长：试卷文件中的一段文字须少于 %1 字节（按试卷的文字编码 %2 计算）")
            .arg(QString::number(kMaxTextBytes), error.encoding);
    case PaperError::Unwritable::NotInEncoding:
        break;
    }
    return QStringLiteral("含有字符“%1”（%2），试卷的文字编码 %3 无法保存这个字符")
        .arg(shown_character(error.found), code_point_label(error.found), error.encoding);
}

PaperError unwritable_error(const UnwritableText &text)
{
    PaperError error;
    error.what = PaperError::What::TextUnwritable;
    error.place = {text.kind, text.number,
                   text.in_answer ? QuestionField::AnswerText : QuestionField::Problem};
    error.unwritable = text.reason;
    error.found = text.character;
    error.encoding = text.encoding;
    return error;
}

QString describe_interrupted_save(const InterruptedSave &save)
{
    using State = InterruptedSave::State;
    if (save.state == State::None)
        return QString();
    if (save.state == State::BothReplaced)
        return QStringLiteral("上次保存被中断，但两个试卷文件都已经替换为新的。");
    return interrupted_save_text(interrupted_save_error(save));
}

QString finish_interrupted_save_question(const InterruptedSave &save)
{
    return describe_interrupted_save(save) +
           QStringLiteral("\n点击“确定”将用新的文件完成这次保存，然后打开试卷；点击“取消”则"
                          "什么也不改动。");
}

QString close_paper_question()
{
    return QStringLiteral("您确定要关闭此试卷吗？请确认是否保存试卷。\n（点击“保存试卷"
                          "按钮”，若不想保存试卷，忽略此操作）");
}

QString discard_changes_question()
{
    return QStringLiteral("当前试卷有尚未保存的修改。\n点击“确定”将放弃这些修改；"
                          "若要保留，请点击“取消”，再点击“保存当前试卷”。");
}

QString discard_typing_question()
{
    return QStringLiteral("当前试题中有输入了但尚未保存的内容。\n点击“确定”将放弃这些修改；"
                          "若要保留，请点击“取消”，先点击该题页面上的“保存当前试题”，"
                          "再点击“保存当前试卷”。");
}

QString replace_paper_question()
{
    return QStringLiteral("所选择的文件夹中已有试卷文件。\n点击“确定”将用一份"
                          "空白试卷替换其中的试卷，原有的题目会丢失。");
}

QString total_line(double total)
{
    return QStringLiteral("试卷总分确认：") + two_decimals_text(total) + QStringLiteral(" 分");
}

QString no_paper_line()
{
    return QStringLiteral("试卷总分确认：未打开试卷");
}

// "U+20A9", or "U+1F600" for a surrogate pair.
QString code_point_label(const QString &character)
{
    uint code = character.isEmpty() ? 0u : character[0].unicode();
    if (character.size() == 2 && character[0].isHighSurrogate())
        code = QChar::surrogateToUcs4(character[0], character[1]);
    return QStringLiteral("U+") +
           QString::number(code, 16).toUpper().rightJustified(4, QLatin1Char('0'));
}
