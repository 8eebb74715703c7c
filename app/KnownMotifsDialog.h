#pragma once

#include <QDialog>

#include <functional>

class QLineEdit;

/// The Known Motifs dialog: the MEME or JASPAR file of known motifs that every run compares
/// its motifs with, typed or chosen with Browse...; an empty field stands for none.
class KnownMotifsDialog : public QDialog {
public:
    /// Opens showing `path`; Browse... asks `choose` for a file, which returns an empty path
    /// when cancelled.
    KnownMotifsDialog(const QString& path, std::function<QString()> choose, QWidget* owner);
    /// The file as the field holds it now; empty when it holds blanks alone.
    QString path() const;

private:
    QLineEdit* field;
};
