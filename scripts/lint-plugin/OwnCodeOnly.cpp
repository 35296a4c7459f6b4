// SPDX-License-Identifier: GPL-3.0-or-later
// A compiler plugin for scripts/lint: it limits what clang-tidy's checks walk to the declarations
// outside the system headers, the project's own code. Unlimited, every check walks the whole of
// Qt's and the standard library's headers in every file, only to drop what it finds there; that
// walk was most of the lint's time. The static analyser is not concerned: it looks at the
// functions of the file itself, as before.
//
// The limit is set before clang-tidy's checks walk the tree and lifted after them, before clazy's
// (loaded after this plugin, so it comes later): clazy learns which of Qt's members are signals
// while it walks Qt's class declarations.

#include <clang/AST/ASTConsumer.h>
#include <clang/AST/ASTContext.h>
#include <clang/AST/Decl.h>
#include <clang/Basic/SourceManager.h>
#include <clang/Frontend/CompilerInstance.h>
#include <clang/Frontend/FrontendPluginRegistry.h>

#include <memory>
#include <string>
#include <vector>

namespace {

class OwnCodeOnly : public clang::ASTConsumer
{
public:
    void HandleTranslationUnit(clang::ASTContext& context) override
    {
        const clang::SourceManager& sources = context.getSourceManager();
        std::vector<clang::Decl*> own;
        for (clang::Decl* declaration : context.getTranslationUnitDecl()->decls()) {
            if (!sources.isInSystemHeader(sources.getExpansionLoc(declaration->getLocation())))
                own.push_back(declaration);
        }
        context.setTraversalScope(own);
    }
};

class WholeTree : public clang::ASTConsumer
{
public:
    void HandleTranslationUnit(clang::ASTContext& context) override
    {
        context.setTraversalScope({context.getTranslationUnitDecl()});
    }
};

// A consumer of the syntax tree, added before or after the main action's (clang-tidy's).
template <typename Consumer, clang::PluginASTAction::ActionType kWhen>
class Action : public clang::PluginASTAction
{
protected:
    std::unique_ptr<clang::ASTConsumer> CreateASTConsumer(clang::CompilerInstance&,
                                                          llvm::StringRef) override
    {
        return std::make_unique<Consumer>();
    }
    bool ParseArgs(const clang::CompilerInstance&, const std::vector<std::string>&) override
    {
        return true;
    }
    ActionType getActionType() override { return kWhen; }
};

} // namespace

static clang::FrontendPluginRegistry::Add<Action<OwnCodeOnly, clang::PluginASTAction::AddBeforeMainAction>>
    limit("own-code-only", "limit the checks' walk to the project's own declarations");
static clang::FrontendPluginRegistry::Add<Action<WholeTree, clang::PluginASTAction::AddAfterMainAction>>
    unlimit("whole-tree", "lift that limit for the plugins that come later");
