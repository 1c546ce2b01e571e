#pragma once
// The plain text that a reader of a learning platform's HTML (a question or
// an option of a question bank) sees on the rendered page. Reads the HTML in
// one pass, in time linear in its length, and needs no QGuiApplication.

#include <QString>
#include <QStringList>

enum class HtmlFlavour {
    Html,       // line breaks in the source are white space, as in a browser
    AutoFormat, // the platform's auto format: a line break in the source is a line break (like
                // <br>)
};

struct HtmlText {
    QString text;        // what a reader sees, as plain text, trimmed
    QStringList dropped; // each placeholder put in `text` for something plain text cannot hold, in
                         // order, e.g. "[图片：map.png]"
    QString error; // not empty: refused (nesting too deep), in Chinese, as a question's reason
                   // to be left out; `text` is then empty
};

HtmlText html_to_text(const QString &html, HtmlFlavour flavour = HtmlFlavour::Html);
