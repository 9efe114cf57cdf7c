#pragma once

#include <QWidget>

#include <filesystem>
struct AppContext;

class Form6 : public QWidget {
    Q_OBJECT

  public:
    explicit Form6(AppContext& context, QWidget* parent = nullptr);
    void SetElementFolder(const std::filesystem::path& folder);

  private:
    AppContext& m_context;
};
