// Binding the names of a parsed tree to the data model, and recording the dependencies
// between entities that compiled expressions create.
#include "data/core/strings.h"
#include "data/model/model.h"
#include "expr/errors.h"
#include "expr/expression.h"
#include "expr/symbols.h"

#include <windows.h>

namespace {

template <typename T>
int FindByName(const T* items, int count, const char* name) {
  for (int i = 0; i < count; ++i)
    if (_stricmp(items[i].Name, name) == 0) return i;
  return -1;
}

// The entity at the other end of a relationship. Relationships of entities that the
// linking pass has not reached yet (a where clause may name them) are found by name.
TEntity* RelatedEntity(const TRelationship* relationship) {
  return relationship->WithEntity ? relationship->WithEntity
                                  : TheModel.FindEntity(relationship->WithEntName);
}

void MakeAttributeReference(TExprNode* node, TEntity* entity, int index) {
  FreeString(&node->First.Text);
  node->Class = NodeAttribute;
  node->First.Index = index;
  node->Second.Attribute = &entity->Attributes[index];
}

void MakeRelationshipReference(TExprNode* node, TEntity* entity, int index) {
  FreeString(&node->First.Text);
  node->Class = NodeRelationship;
  node->First.Index = index;
  node->Second.Relationship = &entity->Relationships[index];
}

bool IsNavigation(const TExprNode* node) {
  return node->Class == NodeBinary && node->Kind == KindNavigate;
}

}  // namespace

int TExpression::ResolveNames(TExprNode* node) {
  switch (node->Class) {
    case NodeName: {
      const int index = FindByName(entity_->Attributes, entity_->AttributeCount, node->First.Text);
      if (index < 0) {
        Fail(ExprUndefinedAttribute, node->First.Text);
        return 0;
      }
      MakeAttributeReference(node, entity_, index);
      return 1;
    }
    case NodeCall:
      if (node->Kind == KindConvert) return ResolveNames(node->Second.Operand);
      if (IsRelationshipFunction(node->Kind)) return ResolveRelationshipFunction(node);
      for (TExprNode* argument = node->Second.Operand; argument; argument = argument->Next)
        if (!ResolveNames(argument)) return 0;
      return 1;
    case NodeUnary:
      return ResolveNames(node->First.Operand);
    case NodeBinary:
      if (node->Kind == KindNavigate) return ResolveNavigation(node);
      return ResolveNames(node->First.Operand) && ResolveNames(node->Second.Operand);
    case NodeIn:
      if (!ResolveNames(node->First.Operand)) return 0;
      for (TExprNode* element = node->Second.Operand; element; element = element->Next)
        if (!ResolveNames(element)) return 0;
      return 1;
    default:
      return 1;
  }
}

// relationship:attribute, or relationship:relationship:... over to-one relationships.
int TExpression::ResolveNavigation(TExprNode* node) {
  TExprNode* left = node->First.Operand;
  TExprNode* right = node->Second.Operand;
  if (left->Class != NodeName || (right->Class != NodeName && !IsNavigation(right))) {
    Fail(ExprBadRelationship, "");
    return 0;
  }
  const int index = FindByName(entity_->Relationships, entity_->RelationshipCount, left->First.Text);
  if (index < 0 || entity_->Relationships[index].ToMany) {
    Fail(ExprNotToOne, left->First.Text);
    return 0;
  }
  TEntity* related = RelatedEntity(&entity_->Relationships[index]);
  if (!related) {
    Fail(ExprNotToOne, left->First.Text);
    return 0;
  }
  MakeRelationshipReference(left, entity_, index);
  TEntity* own = entity_;
  entity_ = related;
  const int resolved = ResolveNames(right);
  entity_ = own;
  return resolved;
}

// AVG(lines:qty, ...): the first argument names a to-many relationship and an attribute
// of the related entity; the other arguments belong to the expression's own entity.
int TExpression::ResolveRelationshipFunction(TExprNode* call) {
  TExprNode* first = call->Second.Operand;
  if (!first || !IsNavigation(first) || first->First.Operand->Class != NodeName ||
      first->Second.Operand->Class != NodeName) {
    Fail(ExprBadRelationship, "");
    return 0;
  }
  TExprNode* left = first->First.Operand;
  TExprNode* right = first->Second.Operand;
  const int index = FindByName(entity_->Relationships, entity_->RelationshipCount, left->First.Text);
  if (index < 0) {
    Fail(ExprUndefinedRelationship, left->First.Text);
    return 0;
  }
  if (!entity_->Relationships[index].ToMany) {
    Fail(ExprNotToMany, left->First.Text);
    return 0;
  }
  TEntity* related = RelatedEntity(&entity_->Relationships[index]);
  const int attribute =
      related ? FindByName(related->Attributes, related->AttributeCount, right->First.Text) : -1;
  if (attribute < 0) {
    Fail(ExprUndefinedAttribute, right->First.Text);
    return 0;
  }
  MakeRelationshipReference(left, entity_, index);
  MakeAttributeReference(right, related, attribute);
  for (TExprNode* argument = first->Next; argument; argument = argument->Next)
    if (!ResolveNames(argument)) return 0;
  return 1;
}

void TExpression::RegisterDependencies(int calculated) {
  if (root_) CollectDependencies(root_, calculated);
}

void TExpression::CollectDependencies(TExprNode* node, int calculated) {
  switch (node->Class) {
    case NodeAttribute:
      node->Second.Attribute->Referenced = 1;
      break;
    case NodeBinary:
      if (node->Kind == KindNavigate && node->First.Operand->Class == NodeRelationship) {
        TRelationship* relationship = node->First.Operand->Second.Relationship;
        if (relationship->ForeignEntity == entity_) {
          for (int i = entity_->AttributeCount - 1; i >= 0; --i) {
            if (entity_->Attributes[i].ForeignRel == relationship) {
              entity_->Attributes[i].Referenced = 1;
              break;
            }
          }
        }
        RegisterReverse(relationship, calculated, true);
        break;
      }
      CollectDependencies(node->First.Operand, calculated);
      CollectDependencies(node->Second.Operand, calculated);
      break;
    case NodeCall:
      if (IsRelationshipFunction(node->Kind) && node->Second.Operand &&
          IsNavigation(node->Second.Operand) &&
          node->Second.Operand->First.Operand->Class == NodeRelationship) {
        RegisterReverse(node->Second.Operand->First.Operand->Second.Relationship, calculated, false);
        break;
      }
      for (TExprNode* argument = node->Second.Operand; argument; argument = argument->Next)
        CollectDependencies(argument, calculated);
      break;
    case NodeUnary:
      CollectDependencies(node->First.Operand, calculated);
      break;
    case NodeIn:
      CollectDependencies(node->First.Operand, calculated);
      for (TExprNode* element = node->Second.Operand; element; element = element->Next)
        CollectDependencies(element, calculated);
      break;
    default:
      break;
  }
}

// Records that the expression's entity reads the records at the other end of the
// relationship: the entity holding them then knows whom its changes concern. A navigation
// registers the entity whatever the flag; a relationship function only for flag 0.
void TExpression::RegisterReverse(TRelationship* relationship, int calculated, bool navigation) {
  TRelationship* reverse = relationship->Reverse;
  if (!reverse || reverse->PrimaryEntity != entity_ || !reverse->ForeignEntity) return;
  if (reverse->ForeignEntity == entity_ && reverse->ToMany) return;
  if (calculated) reverse->ForeignEntity->AddDependentRelationship(reverse);
  if (navigation || !calculated) reverse->ForeignEntity->AddDependentEntity(entity_);
}
