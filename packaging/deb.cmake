# The Debian package, made by `cpack -G DEB` in a build folder (scripts/package-deb.sh).
# It holds what the install() rules install: the three programs, the two
# windows' menu entries and the icon; the test programs, benchmarks and libraries have no install rule.

set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_PACKAGE_NAME qv-make)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "qv_make developers <qv-make@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_STRIP_FILES ON)

# The libraries come from what the binaries link, as dpkg-shlibdeps finds them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window and the printed papers are Chinese, and without a CJK face the PDF
# comes out with its Chinese left out. Any CJK face serves, though (fontconfig
# falls back to it when Noto Serif CJK is missing), Debian's Chinese desktops
# bring Noto's, and check, import, export and HTML print need none: recommended
# (apt installs it unless told not to) rather than required.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-noto-cjk)

# The first line is the summary that package managers list; they join the
# other lines into paragraphs, which an empty line separates.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Kestrova 考试系统的出题端：编写试卷并设置分数
qv_make 是 Kestrova 考试系统中教师使用的出题端。在一个窗口里新建或打开试卷，
编写单选题、多选题和非选择题，设置每题分数，核对试卷总分并保存。试卷是一个
文件夹，包含两个文本文件：problem.prb（题目数量、分数和题目）与 answer.ans
（答案）。

随附的命令行工具 qv_paper 处理整份试卷：检查试卷中需要修改的地方，把试卷
打印为 HTML 或 PDF（可附答案页），从 Word、Excel、CSV、文本以及 GIFT、
Moodle XML 文件导入题目，导出为可编辑的 Word 试卷和答案、Excel 批量导入
模板、文本、GIFT 和 Moodle XML，并做出 A、B 卷。
试卷工具 qv_tools 在一个窗口里完成 qv_paper 的这些工作。")

include(CPack)
